#include "archive/errors.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "archive/base_archiver.h"
#include "platform/unicode.h"

namespace kv::archive {
namespace {

constexpr std::array<std::u16string_view, 41> kMessages = {
    u"Unknown error",
    u"Index out of bounds",
    u"Invalid compression mode. Mode must be in [0-9] range",
    u"Unexpected nil pointer",
    u"Invalid size or check sum of file or unsupported compression format",
    u"File name is blank. Specify appropriate file name",
    u"File \"%s\" not found",
    u"Archive is not open",
    u"SFXStub property is not specified",
    u"Cannot create file \"%s\"",
    u"Cannot create directory \"%s\"",
    u"Internal error. Update is not started",
    u"Cannot open file \"%s\"",
    u"Cannot proceed when update is not ended. Preceding EndUpdate call is required.",
    u"Cannot delete file \"%s\"",
    u"In-memory archive can be created only",
    u"File is open in read-only mode",
    u"Invalid compressed size, rfs.size = %d, count = %d",
    u"Invalid archive file.",
    u"Cannot create output file. Probably file is locked by another process. FileName = '%s'.",
    u"Archive is open. You should close it beore performing this operation.",
    u"Unable to create directory",
    u"Cannot find 64-bit directory end record",
    u"Cannot compress file '%s'. Zip64 mode is not enabled",
    u"Cannot open archive file. Opening aborted or invalid file",
    u"Write to stream error",
    u"Cannot place SFX stub on volume. Volume size limit is too small",
    u"Archive is damaged. Open failed",
    u"MakeSFX is not allowed for splitted or spanned archives. Set SFXStub before archive creation instead of "
    u"MakeSFX",
    u"Archive already has SFX stub",
    u"Multi-volume archive is not allowed for custom stream",
    u"Multi-spanned archive is not allowed for modification. Use BeginUpdate/EndUpdate methods to add files "
    u"several times",
    u"Deflate64 compression method is not supported",
    u"MakeSFX error",
    u"Hashed list of file names is invalid",
    u"Cannot delete folder \"%s\"",
    u"File name is too long: \r\n\"%s\"",
    u"Multiple transactions are not supported for multi-volume archives",
    u"Invalid InitVector index = %d. Index should be >= 0 and < %d",
    u"Disk is full. There is not enough free space on disk.",
    u"Invalid password. Cannot decompress encrypted file.",
};

struct CodePair {
  int native;
  int index;
};

// The 68 pairs (native code, message index), walked in order; the first match wins.
constexpr std::array<CodePair, 68> kCodes = {{
    {0, 0},   {1, 1},   {2, 1},   {3, 1},   {4, 1},   {5, 2},   {6, 3},   {7, 1},   {8, 4},   {9, 5},
    {10, 5},  {11, 6},  {12, 6},  {13, 7},  {14, 7},  {15, 6},  {16, 1},  {17, 8},  {18, 6},  {19, 9},
    {20, 10}, {21, 1},  {22, 11}, {23, 9},  {24, 1},  {25, 11}, {26, 13}, {27, 14}, {28, 15}, {29, 5},
    {30, 6},  {31, 6},  {32, 16}, {33, 12}, {34, 17}, {35, 18}, {36, 19}, {37, 20}, {38, 6},  {39, 21},
    {40, 22}, {41, 23}, {42, 6},  {43, 23}, {44, 24}, {45, 24}, {46, 25}, {47, 26}, {48, 27}, {49, 28},
    {50, 29}, {51, 30}, {52, 31}, {53, 6},  {54, 6},  {55, 32}, {56, 33}, {57, 27}, {58, 34}, {59, 34},
    {60, 35}, {61, 36}, {62, 37}, {63, 38}, {64, 38}, {65, 39}, {66, 39}, {67, 40},
}};

std::u16string ArgText(const TKZErrorArg& arg) {
  if (const auto* text = std::get_if<std::u16string>(&arg)) return *text;
  return platform::Utf8ToUtf16(std::to_string(std::get<std::int64_t>(arg)));
}

// Replaces "%s" and "%d" placeholders in order; a placeholder without an argument stays.
std::u16string FillPlaceholders(std::u16string_view text, const std::vector<TKZErrorArg>& args) {
  std::u16string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    bool placeholder = text[i] == u'%' && i + 1 < text.size() && (text[i + 1] == u's' || text[i + 1] == u'd');
    if (placeholder && next < args.size()) {
      out += ArgText(args[next++]);
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// "%5d" with every space turned into "0".
std::u16string FiveDigits(int native_error) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%5d", native_error);
  std::u16string out = platform::Utf8ToUtf16(buffer);
  for (char16_t& c : out)
    if (c == u' ') c = u'0';
  return out;
}

}  // namespace

std::int32_t ErrorCodeForNative(int native_error) {
  for (const CodePair& pair : kCodes)
    if (pair.native == native_error) return pair.index;
  return 0;
}

std::u16string ErrorText(std::int32_t error_code) {
  if (error_code < 0 || error_code >= static_cast<std::int32_t>(kMessages.size())) error_code = 0;
  return std::u16string(kMessages[static_cast<std::size_t>(error_code)]);
}

std::u16string FormatEngineMessage(int native_error, const std::vector<TKZErrorArg>& args,
                                   const std::u16string& component_name) {
  std::u16string message = FillPlaceholders(ErrorText(ErrorCodeForNative(native_error)), args);
  if (!component_name.empty()) message = component_name + u": " + message;
  return message + u" - Native error: " + FiveDigits(native_error);
}

EKZException::EKZException(int native_error, const TKZBaseArchiver* component)
    : EKZException(native_error, std::vector<TKZErrorArg>{}, component) {}

EKZException::EKZException(int native_error, const std::vector<TKZErrorArg>& args,
                           const TKZBaseArchiver* component)
    : std::runtime_error(platform::Utf16ToUtf8(
          FormatEngineMessage(native_error, args, component ? component->Name : std::u16string()))),
      FErrorCode(ErrorCodeForNative(native_error)),
      FNativeError(native_error),
      FMessage(FormatEngineMessage(native_error, args, component ? component->Name : std::u16string())) {}

}  // namespace kv::archive
