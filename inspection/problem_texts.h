#pragma once
// The texts that say why a library cannot be registered, as the file list, the logs and
// kolvane-cli show them. Texts with a place for a name or figure are built in library_report.cpp.
namespace kv::inspection::texts {

inline constexpr char16_t kExecutableProgram[] = u"not a library (an executable program)";
inline constexpr char16_t kDotNetAssembly[] = u"a .NET assembly; register it with regasm";
inline constexpr char16_t kNotComServer[] = u"not a COM server (no DllRegisterServer)";
inline constexpr char16_t kCannotRunHere[] =
    u"cannot run on this Windows";  // + " (x64 library on 32-bit Windows)"
inline constexpr char16_t kMissingDependency[] = u"missing dependency ";      // + "NAME.dll"
inline constexpr char16_t kMissingDependencies[] = u"missing dependencies ";  // + "A.dll, B.dll"

}  // namespace kv::inspection::texts
