#pragma once

// A recipient list: one output per file and recipient, each painted with the
// recipient's values. The list is a CSV file (UTF-8, comma-separated, fields
// may be quoted with "..." and "" inside) whose first row names the columns;
// the first column is the recipient ({recipient}) and every column NAME is
// {recipient.NAME}. A list is checked whole before any file is encoded: every
// problem names its line. Plain values; any thread.

#include "shared/template/text_tokens.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace vidmora {

// More recipients than this are refused (a list of a whole address book
// is more likely a mistake than a run).
inline constexpr int kMaxRecipients = 10000;

struct Recipient {
  QString name;        // the first column
  TokenValues tokens;  // {recipient} and {recipient.NAME} for every column
  int line = 0;        // of the list, from 1
};

struct RecipientList {
  QStringList columns;
  std::vector<Recipient> recipients;
};

struct RecipientsReading {
  std::optional<RecipientList> list;  // nothing when refused
  QString problem;                    // one line for the user, naming the line of the list
};

// Reads the list from its bytes; `name` names it in the problem.
RecipientsReading ParseRecipients(const QByteArray& bytes, const QString& name);
// Reads the list file.
RecipientsReading ReadRecipients(const QString& path);

// The tokens {recipient.NAME} of `texts` (the template's texts, the name
// pattern) whose column the list lacks: empty when there is none, else one
// line for the user.
QString MissingColumnsProblem(const RecipientList& list, const QStringList& texts);

// `text` made fit to be part of a file name: "/", "\" and control characters
// become "_", leading dots and blanks go, the name is cut to `maxBytes` bytes
// of UTF-8 (whole characters), and an empty result becomes "_".
QString SafeFileNamePart(const QString& text, int maxBytes = 200);

// What keeps a run over `list` from starting: a list that was refused, or a
// {recipient.NAME} of `texts` (the template's texts and the name pattern)
// whose column it lacks; empty when the run can go.
QString RecipientsProblem(const RecipientsReading& reading, const QStringList& texts);

// "12 files × 40 recipients = 480 outputs", or without recipients "12 files".
QString OutputCountSummary(int files, int recipients);

}  // namespace vidmora
