// The signed-digest check on files signed with osslsigncode under a throwaway certificate made
// by openssl at test time, and the hashes against `openssl dgst`. Skipped when either tool is
// absent.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "inspection/authenticode.h"
#include "inspection/digest.h"
#include "tests/support/test_dir.h"

namespace kv::inspection {
namespace {

using test::ReadFile;
using test::TestDir;

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, got);
    ::pclose(pipe);
  }
  return out;
}

class SignedFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Shell("command -v osslsigncode") || !Shell("command -v openssl")) GTEST_SKIP() << "osslsigncode or openssl absent";
    library = (test::BinaryDir() / "tests" / "fixtures" / "libraries" / "a.dll").string();
    ASSERT_TRUE(Shell("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Throwaway -addext extendedKeyUsage=codeSigning -keyout " + P("key.pem") +
                    " -out " + P("cert.pem")));
  }
  std::string P(const std::string& name) const { return "'" + (dir / name).string() + "'"; }
  // Signs `in` into `out` (names inside the test folder, or the library) with the digest `hash`.
  void Sign(const std::string& in, const std::string& out, const std::string& hash, const std::string& extra = "") {
    ASSERT_TRUE(Shell("osslsigncode sign -certs " + P("cert.pem") + " -key " + P("key.pem") + " -h " + hash + " " +
                    extra + " -in " + in + " -out " + P(out)));
  }
  SignatureCheck Check(const std::string& name) const {
    const std::string bytes = ReadFile(dir / name);
    return CheckSignedDigest(MemorySource(bytes));
  }

  TestDir dir;
  std::string library;
};

TEST_F(SignedFiles, DigestOfEachAlgorithmMatchesUntilTheFileIsEdited) {
  struct Case {
    const char* hash;
    const char* algorithm;
  };
  for (const Case c : {Case{"sha256", "SHA-256"}, Case{"sha1", "SHA-1"}}) {
    SCOPED_TRACE(c.hash);
    const std::string name = std::string(c.hash) + ".dll";
    Sign("'" + library + "'", name, c.hash);
    EXPECT_TRUE(Shell("osslsigncode verify -CAfile " + P("cert.pem") + " -in " + P(name)));
    const SignatureCheck signed_check = Check(name);
    EXPECT_EQ(signed_check.state, SignatureState::matches);
    EXPECT_EQ(signed_check.algorithm, c.algorithm);
    EXPECT_EQ(signed_check.file_digest, signed_check.signed_digest);

    // One byte of the code changed after signing: the peer's verify fails, and so does ours.
    std::string edited = ReadFile(dir / name);
    edited[edited.size() / 3] ^= 0x01;
    dir.Write("edited-" + name, edited);
    EXPECT_FALSE(Shell("osslsigncode verify -CAfile " + P("cert.pem") + " -in " + P("edited-" + name)));
    const SignatureCheck edited_check = Check("edited-" + name);
    EXPECT_EQ(edited_check.state, SignatureState::does_not_match);
    EXPECT_EQ(edited_check.signed_digest, signed_check.signed_digest);
    EXPECT_NE(edited_check.file_digest, edited_check.signed_digest);
  }
}

TEST_F(SignedFiles, NestedSignatureAndAddedBlobStillMatchOnTheFirstSignature) {
  Sign("'" + library + "'", "signed.dll", "sha256");
  Sign(P("signed.dll"), "nested.dll", "sha1", "-nest");
  EXPECT_EQ(Check("nested.dll").state, SignatureState::matches);
  ASSERT_TRUE(Shell("osslsigncode add -addUnauthenticatedBlob -in " + P("signed.dll") + " -out " + P("blob.dll")));
  EXPECT_EQ(Check("blob.dll").state, SignatureState::matches);
}

TEST_F(SignedFiles, UnsignedAndUnreadableSignaturesAreToldApart) {
  const std::string plain = ReadFile(library);
  EXPECT_EQ(CheckSignedDigest(MemorySource(plain)).state, SignatureState::unsigned_file);
  EXPECT_EQ(CheckSignedDigest(MemorySource(std::string("not a program"))).state, SignatureState::unsigned_file);
  Sign("'" + library + "'", "signed.dll", "sha256");
  // The SignedData's first byte overwritten: the table is still named but holds no signature.
  std::string broken = ReadFile(dir / "signed.dll");
  const auto u32 = [&](std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(broken[at + static_cast<std::size_t>(i)]);
    return v;
  };
  const std::size_t table = u32(u32(0x3C) + 24 + 128);  // the PE32 certificate directory entry
  ASSERT_GT(table, plain.size() - 1);
  broken[table + 8] = '\x05';
  dir.Write("broken.dll", broken);
  EXPECT_EQ(Check("broken.dll").state, SignatureState::damaged);
}

TEST(DigestPeer, WholeFileHashesAgreeWithOpenssl) {
  if (!Shell("command -v openssl")) GTEST_SKIP() << "openssl absent";
  TestDir dir;
  std::string bytes;
  for (int i = 0; i < 300001; ++i) bytes.push_back(static_cast<char>((i * 131) ^ (i >> 7)));
  dir.Write("data.bin", bytes);
  const std::string path = "'" + (dir / "data.bin").string() + "'";
  Sha1 sha1;
  sha1.Update(bytes);
  Sha256 sha256;
  sha256.Update(bytes);
  EXPECT_EQ(Output("openssl dgst -sha1 -r " + path).substr(0, 40), HexOf(sha1.Finish()));
  EXPECT_EQ(Output("openssl dgst -sha256 -r " + path).substr(0, 64), HexOf(sha256.Finish()));
}

}  // namespace
}  // namespace kv::inspection
