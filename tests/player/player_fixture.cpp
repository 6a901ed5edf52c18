#include "tests/player/player_fixture.h"

#include "player/mpv_video_window.h"
#include "tests/draw/template_fixture.h"

#include <QTest>

#include <cstdlib>

namespace vidplay::test {

void PlayerTest::WriteRedCornerTemplate(const std::u16string& name, int startTime, int endTime) {
  vidmora::EditedLayer layer = glyphra::test::NewLayer(u"WM");
  layer.location = 8;
  layer.offsetH = -10;  // offsets are added: negative is inwards here
  layer.offsetV = -10;
  layer.rotation = 0;
  layer.transparency = 255;
  layer.fillText = 1;
  layer.textColor = 0x0000FF;  // 0x00BBGGRR: red
  layer.addShadow = 0;
  layer.drawEdge = 0;
  layer.scaleText = 0;
  layer.font.height = -40;
  layer.font.weight = 700;
  layer.startTime = startTime;
  layer.endTime = endTime;
  glyphra::test::WriteTemplate(Templates(), name, {{name + u"_Layer 1", layer}});
}

std::unique_ptr<PlayerWindow> PlayerTest::OpenPlayer(const std::filesystem::path& clip, const QString& templateName,
                                                     QSize frameSize, QSize videoArea) {
  PlayerArguments arguments{QStringLiteral("Vidmora"), templateName, QString::fromStdString(clip.string()), frameSize};
  auto window = std::make_unique<PlayerWindow>(arguments, QStringLiteral("ao=null"));
  window->show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get(), 30000));
  window->Start();
  if (window->Video() != nullptr) {
    // Give the picture area the size asked for.
    window->resize(window->size() + videoArea - window->Video()->size());
  }
  return window;
}

bool PlayerTest::PlayUntilThenPause(PlayerWindow& window, double seconds) {
  MpvPlayer* player = window.Player();
  if (player == nullptr) return false;
  if (!QTest::qWaitFor([&] { return player->Position() >= seconds || window.ExitStatus() != 0; }, 60000)) return false;
  player->SetPaused(true);
  return QTest::qWaitFor([&] { return player->Paused(); }, 10000) && window.ExitStatus() == 0;
}

QImage PlayerTest::Grab(PlayerWindow& window) {
  return window.Video()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
}

void PlayerTest::SaveForReview(const QImage& picture, const std::string& name) {
  picture.save(QString::fromStdString((vidmora::test::TestOutputDir() / (name + ".png")).string()));
}

QRect PixelsWhere(const QImage& picture, const std::function<bool(QRgb)>& keep) {
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  QRect box;
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) {
      if (keep(row[x])) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

// Far redder than grey: the watermark, also where video coding has blurred
// its edges.
bool IsRed(QRgb pixel) { return qRed(pixel) > qGreen(pixel) + 80 && qRed(pixel) > qBlue(pixel) + 80; }

double MeanDifference(const QImage& a, const QImage& b) {
  const QImage first = a.convertToFormat(QImage::Format_RGB32);
  const QImage second = b.convertToFormat(QImage::Format_RGB32);
  if (first.size() != second.size() || first.isNull()) return 255;
  double sum = 0;
  for (int y = 0; y < first.height(); ++y) {
    const auto* p = reinterpret_cast<const QRgb*>(first.constScanLine(y));
    const auto* q = reinterpret_cast<const QRgb*>(second.constScanLine(y));
    for (int x = 0; x < first.width(); ++x) {
      sum += std::abs(qRed(p[x]) - qRed(q[x])) + std::abs(qGreen(p[x]) - qGreen(q[x])) +
             std::abs(qBlue(p[x]) - qBlue(q[x]));
    }
  }
  return sum / (3.0 * first.width() * first.height());
}

}  // namespace vidplay::test
