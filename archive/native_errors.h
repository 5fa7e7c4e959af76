#pragma once
// The engine's native error codes, one row each: the code (what "Native error: 00035" shows and
// what callers compare), its name, the index of its message (EKZException::ErrorCode()) and the
// message, whose "%s" and "%d" EKZException fills from its arguments in order. The component
// raises one text from several places and tells those places apart by code, so many rows share
// a message; rows with one index always carry the same text.
//
// Some codes are never raised by this engine; they keep their row so that such a code, raised
// by an event handler say, still gets the component's text and index. Where such a code shares
// its text with others, its name ends in its number, as nothing here says more about it.
#include <cstdint>
#include <string_view>

// X(native code, name, message index, message)
// clang-format off
#define KV_NATIVE_ERRORS(X)                                                                                \
  X(0, Unknown, 0, u"Unknown error")                                                                       \
  X(1, DirSetItemOutOfRange, 1, u"Index out of bounds")                                                    \
  X(2, DirGetItemOutOfRange, 1, u"Index out of bounds")                                                    \
  X(3, DirItemPtrOutOfRange, 1, u"Index out of bounds")                                                    \
  X(4, DirDeleteOutOfRange, 1, u"Index out of bounds")                                                     \
  X(5, InvalidCompressionMode, 2, u"Invalid compression mode. Mode must be in [0-9] range")                \
  X(6, NilPointer, 3, u"Unexpected nil pointer")                                                           \
  X(7, CopiedMemberOutOfRange, 1, u"Index out of bounds")                                                  \
  X(8, BadSizeOrChecksum, 4, u"Invalid size or check sum of file or unsupported compression format")       \
  X(9, OpenWithoutFileName, 5, u"File name is blank. Specify appropriate file name")                       \
  X(10, OpenModeWithoutFileName, 5, u"File name is blank. Specify appropriate file name")                  \
  X(11, FileNotFound11, 6, u"File \"%s\" not found")                                                       \
  X(12, ArchiveFileNotFound, 6, u"File \"%s\" not found")                                                  \
  X(13, ArchiveNotOpen, 7, u"Archive is not open")                                                         \
  X(14, ArchiveNotOpen14, 7, u"Archive is not open")                                                       \
  X(15, FileNotFound15, 6, u"File \"%s\" not found")                                                       \
  X(16, ExtractItemOutOfRange, 1, u"Index out of bounds")                                                  \
  X(17, SfxStubNotSpecified, 8, u"SFXStub property is not specified")                                      \
  X(18, SfxStubFileNotFound, 6, u"File \"%s\" not found")                                                  \
  X(19, CannotCreateExtractedFile, 9, u"Cannot create file \"%s\"")                                        \
  X(20, CannotCreateExtractedFolder, 10, u"Cannot create directory \"%s\"")                                \
  X(21, IndexOutOfBounds21, 1, u"Index out of bounds")                                                     \
  X(22, UpdateNotStarted22, 11, u"Internal error. Update is not started")                                  \
  X(23, CannotCreateFile23, 9, u"Cannot create file \"%s\"")                                               \
  X(24, IndexOutOfBounds24, 1, u"Index out of bounds")                                                     \
  X(25, UpdateNotStarted25, 11, u"Internal error. Update is not started")                                  \
  X(26, UpdateNotEnded, 13, u"Cannot proceed when update is not ended. Preceding EndUpdate call is "       \
      u"required.")                                                                                        \
  X(27, CannotDeleteFile, 14, u"Cannot delete file \"%s\"")                                                \
  X(28, InMemoryCreateOnly, 15, u"In-memory archive can be created only")                                  \
  X(29, ConvertWithoutFileName, 5, u"File name is blank. Specify appropriate file name")                   \
  X(30, FileNotFound30, 6, u"File \"%s\" not found")                                                       \
  X(31, FileNotFound31, 6, u"File \"%s\" not found")                                                       \
  X(32, ArchiveReadOnly, 16, u"File is open in read-only mode")                                            \
  X(33, CannotOpenSourceFile, 12, u"Cannot open file \"%s\"")                                              \
  X(34, InvalidCompressedSize, 17, u"Invalid compressed size, rfs.size = %d, count = %d")                  \
  X(35, InvalidArchive, 18, u"Invalid archive file.")                                                      \
  X(36, OutputFileLocked, 19, u"Cannot create output file. Probably file is locked by another process. "   \
      u"FileName = '%s'.")                                                                                 \
  X(37, ArchiveIsOpen, 20, u"Archive is open. You should close it beore performing this operation.")       \
  X(38, FileNotFound38, 6, u"File \"%s\" not found")                                                       \
  X(39, UnableToCreateDirectory, 21, u"Unable to create directory")                                        \
  X(40, NoZip64EndRecord, 22, u"Cannot find 64-bit directory end record")                                  \
  X(41, Zip64NotEnabledAfterCompressing, 23, u"Cannot compress file '%s'. Zip64 mode is not enabled")      \
  X(42, FileNotFound42, 6, u"File \"%s\" not found")                                                       \
  X(43, Zip64NotEnabledBeforeWriting, 23, u"Cannot compress file '%s'. Zip64 mode is not enabled")         \
  X(44, SpannedArchiveNotRecoverable, 24, u"Cannot open archive file. Opening aborted or invalid file")    \
  X(45, OpenAborted, 24, u"Cannot open archive file. Opening aborted or invalid file")                     \
  X(46, WriteToStreamFailed, 25, u"Write to stream error")                                                 \
  X(47, StubTooLargeForVolume, 26, u"Cannot place SFX stub on volume. Volume size limit is too small")     \
  X(48, DamagedNoEndRecord, 27, u"Archive is damaged. Open failed")                                        \
  X(49, SfxNotForSpannedArchives, 28, u"MakeSFX is not allowed for splitted or spanned archives. Set "     \
      u"SFXStub before archive creation instead of MakeSFX")                                               \
  X(50, ArchiveAlreadyHasStub, 29, u"Archive already has SFX stub")                                        \
  X(51, CustomStreamMultiVolume, 30, u"Multi-volume archive is not allowed for custom stream")             \
  X(52, SpannedArchiveNotModifiable, 31, u"Multi-spanned archive is not allowed for modification. Use "    \
      u"BeginUpdate/EndUpdate methods to add files several times")                                         \
  X(53, FileNotFound53, 6, u"File \"%s\" not found")                                                       \
  X(54, FileNotFound54, 6, u"File \"%s\" not found")                                                       \
  X(55, Deflate64Unsupported, 32, u"Deflate64 compression method is not supported")                        \
  X(56, MakeSfxFailed, 33, u"MakeSFX error")                                                               \
  X(57, DamagedDirectory, 27, u"Archive is damaged. Open failed")                                          \
  X(58, NameListOutOfStep, 34, u"Hashed list of file names is invalid")                                    \
  X(59, NameTakenByOtherItem, 34, u"Hashed list of file names is invalid")                                 \
  X(60, CannotDeleteFolder, 35, u"Cannot delete folder \"%s\"")                                            \
  X(61, FileNameTooLong, 36, u"File name is too long: \r\n\"%s\"")                                         \
  X(62, SecondMultiVolumeUpdate, 37, u"Multiple transactions are not supported for multi-volume archives") \
  X(63, InvalidInitVectorIndex63, 38, u"Invalid InitVector index = %d. Index should be >= 0 and < %d")     \
  X(64, InvalidInitVectorIndex64, 38, u"Invalid InitVector index = %d. Index should be >= 0 and < %d")     \
  X(65, DiskFull, 39, u"Disk is full. There is not enough free space on disk.")                            \
  X(66, DiskFull66, 39, u"Disk is full. There is not enough free space on disk.")                          \
  X(67, EncryptedMember, 40, u"Invalid password. Cannot decompress encrypted file.")                     \
  X(68, OverlappingMember, 41, u"Member \"%s\" shares its bytes with another member of the archive. "      \
      u"Extraction refused")                                                                               \
  X(69, LocalNameMismatch, 42, u"Member \"%s\" is named differently in its local header. Extraction "      \
      u"refused")                                                                                          \
  X(70, MaskedHeaders, 43, u"Member \"%s\" has its headers masked by central directory encryption. "        \
      u"Extraction refused")

// clang-format on

namespace kv::archive {

// kNative::InvalidArchive and so on: the native codes by name.
namespace kNative {
#define KV_NATIVE_ERROR_CONSTANT(native, name, error_code, message) inline constexpr int name = native;
KV_NATIVE_ERRORS(KV_NATIVE_ERROR_CONSTANT)
#undef KV_NATIVE_ERROR_CONSTANT
}  // namespace kNative

struct NativeErrorRow {
  int native;
  std::int32_t error_code;
  std::u16string_view message;
};

inline constexpr NativeErrorRow kNativeErrorTable[] = {
#define KV_NATIVE_ERROR_ROW(native, name, error_code, message) {native, error_code, message},
    KV_NATIVE_ERRORS(KV_NATIVE_ERROR_ROW)
#undef KV_NATIVE_ERROR_ROW
};

// The number of distinct messages; their indexes run from 0 to one less.
inline constexpr std::int32_t kEngineMessageCount = 44;

// The message index of a native code; 0 ("Unknown error") for a code no row has.
constexpr std::int32_t ErrorCodeForNative(int native_error) {
  for (const NativeErrorRow& row : kNativeErrorTable)
    if (row.native == native_error) return row.error_code;
  return 0;
}

// The message of an index; that of index 0 for an index no row has.
constexpr std::u16string_view MessageForErrorCode(std::int32_t error_code) {
  for (const NativeErrorRow& row : kNativeErrorTable)
    if (row.error_code == error_code) return row.message;
  return kNativeErrorTable[0].message;
}

}  // namespace kv::archive
