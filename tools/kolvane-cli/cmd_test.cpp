// kolvane-cli test ARCHIVE: decompresses every member and checks its size and CRC.
#include <cstdio>
#include <memory>

#include "archive/discard_stream.h"
#include "tools/kolvane-cli/cli_support.h"
#include "tools/kolvane-cli/commands.h"

namespace kv::cli {
namespace {

int RunTest(const std::string& archive_path) {
  const auto zip = OpenForReading(archive_path);
  if (!zip) return kExitUsage;
  const archive::TKZDirArray& dir = zip->DMHandle()->CDir;
  int bad = 0;
  for (std::int32_t i = 0; i < dir.Count(); ++i) {
    if (dir[i].IsFolder() || (!dir[i].Name.empty() && dir[i].Name.back() == u'/')) continue;
    archive::DiscardStream sink;
    try {
      zip->ExtractItemToStream(i, sink);
      std::printf("OK      %s\n", Shown(dir[i].Name).c_str());
    } catch (const archive::EKZException& error) {
      ++bad;
      std::printf("FAILED  %s\n", Shown(dir[i].Name).c_str());
      ReportError(archive_path + ": " + Utf8(dir[i].Name), error.what());
    }
  }
  std::printf("%s: %d of %d members bad\n", Escaped(archive_path).c_str(), bad, static_cast<int>(dir.Count()));
  return bad ? kExitMemberFailed : kExitOk;
}

CommandRun SetupTest(CLI::App& command) {
  auto archive = std::make_shared<std::string>();
  command.add_option("ARCHIVE", *archive, "The archive to check")->required();
  return [archive] { return RunTest(*archive); };
}

}  // namespace

extern const CommandSpec kTestCommand{"test", "Decompress every member, check sizes and CRCs, name each bad member",
                                      SetupTest};

}  // namespace kv::cli
