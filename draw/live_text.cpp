#include "draw/live_text.h"

#include <QFontMetricsF>
#include <QStringList>

#include <cmath>

namespace glyphra {

namespace {

QString AlphabetOf(QChar widest) {
  if (widest == u'9') return QStringLiteral("0123456789");
  if (widest == u':') return QStringLiteral(":;");
  return QString(widest);
}

// The characters place `position` of a frame token's value can hold. A
// timecode is always as long as its widest value; a number is shorter at
// first, and its value starts at the left, so any of its places holds any
// of its characters.
QString AlphabetOf(const QString& widest, qsizetype position) {
  if (widest.contains(u':')) return AlphabetOf(widest[position]);
  QString all;
  for (const QChar c : widest)
    for (const QChar a : AlphabetOf(c))
      if (!all.contains(a)) all += a;
  return all;
}

}  // namespace

std::vector<LiveCell> LiveCells(const QString& pattern, const QFont& font) {
  const QFontMetricsF metrics(font);
  std::vector<LiveCell> cells;
  QString line;  // the layout text of the current line so far
  qreal top = 0;
  const auto place = [&](LiveCell cell, const QString& laidOut) {
    cell.offset = QPointF(metrics.horizontalAdvance(line), top);
    line += laidOut;
    cells.push_back(std::move(cell));
  };
  for (const vidmora::TextPiece& piece : vidmora::SplitTokens(pattern.toStdU16String())) {
    const QString text = QString::fromStdU16String(piece.text);
    if (!piece.token) {
      // One cell per line of a literal run, so that its shaping and kerning stay.
      const QStringList lines = text.split(u'\n');
      for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) {
          line.clear();
          top += metrics.lineSpacing();
        }
        QString run = lines[i];
        if (run.endsWith(u'\r')) run.chop(1);
        if (!run.isEmpty()) place({run, {}, 0, run, {}}, run);
      }
      continue;
    }
    const QString widest = QString::fromStdU16String(vidmora::WidestFrameValue(piece.text));
    for (qsizetype i = 0; i < widest.size(); ++i) {
      // Digits are laid out at the widest digit's advance; every place keeps its own.
      const QString alphabet = AlphabetOf(widest, i);
      qreal widestAdvance = -1;
      QChar widestChar = widest[i];
      for (const QChar c : alphabet) {
        if (metrics.horizontalAdvance(c) > widestAdvance) {
          widestAdvance = metrics.horizontalAdvance(c);
          widestChar = c;
        }
      }
      place({{}, text, static_cast<int>(i), alphabet, {}}, QString(widestChar));
    }
  }
  return cells;
}

vidmora::TokenValues FrameValues(const FrameTime& time) {
  const vidmora::FrameRate rate{time.rateNum > 0 ? time.rateNum : 25, time.rateNum > 0 ? time.rateDen : 1};
  const double fps = static_cast<double>(rate.num) / rate.den;
  int64_t index = time.frameIndex;
  if (index < 0) index = time.Known() ? std::llround(static_cast<double>(time.frameMs) * fps / 1000) : 0;
  const double seconds = time.Known() ? static_cast<double>(time.frameMs) / 1000.0 : static_cast<double>(index) / fps;
  return vidmora::FrameTokenValues(index, rate, seconds, time.startFrames);
}

std::vector<QString> LiveCellTexts(const std::vector<LiveCell>& cells, const vidmora::TokenValues& values) {
  std::vector<QString> texts;
  texts.reserve(cells.size());
  for (const LiveCell& cell : cells) {
    if (cell.token.isEmpty()) {
      texts.push_back(cell.fixed);
      continue;
    }
    const auto value = values.find(cell.token.toStdU16String());
    const bool shown = value != values.end() && cell.position < static_cast<int>(value->second.size());
    texts.push_back(shown ? QString(QChar(value->second[cell.position])) : QString());
  }
  return texts;
}

}  // namespace glyphra
