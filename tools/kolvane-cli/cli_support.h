#pragma once
// What the commands share: paths from the command line, the one-line error report, opening
// an archive for reading, and text conversions for output.
#include <memory>
#include <string>

#include "archive/kolzip.h"

namespace kv::cli {

// A command-line path (UTF-8) as the engine's UTF-16 text.
std::u16string PathArgument(const std::string& argument);

// Writes "kolvane-cli: <subject>: <message>" as one line on stderr, control characters escaped
// as in Shown.
void ReportError(const std::string& subject, const std::string& message);

// An archive object with the member reader within reach of the test command.
class CliArchive : public archive::TKolZip {
 public:
  using TKZBaseArchiver::ExtractItemToStream;
};

// Opens `path` for reading; on failure reports it and returns nothing.
std::unique_ptr<CliArchive> OpenForReading(const std::string& path);

// Entry names and comments as UTF-8 output text (comments are bytes in the OEM code page).
std::string Utf8(const std::u16string& text);
std::string CommentText(const std::string& bytes);

// UTF-8 text fit for a terminal line: every control character (U+0000-U+001F, U+007F and
// U+0080-U+009F) becomes "\xNN" with its code in two hex digits, so a name cannot move the
// cursor, ring the bell or forge a line of its own. Everything else is kept.
std::string Escaped(const std::string& utf8);
// An entry name as shown on the terminal: UTF-8, escaped.
std::string Shown(const std::u16string& name);

}  // namespace kv::cli
