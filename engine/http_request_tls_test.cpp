// Service requests verify the server's certificate: an answer from a peer
// that no trusted authority vouches for is refused, whatever the letter case
// of the scheme, and is accepted once the service CA file names its issuer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "engine/engine_deployment.h"
#include "engine/http_request.h"
#include "platform/testing/nginx_fixture.h"
#include "platform/testing/sim_machine_fixture.h"
#include "system/text_convert.h"

namespace ns_VYN {
namespace {

using platform::testing::NginxServer;

constexpr int kPeerNotVerified = 60;  // CURLE_PEER_FAILED_VERIFICATION
const std::string kAnswer = "service answer";

bool RunQuietly(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// A throwaway CA and a server certificate it signs for 127.0.0.1 and
// localhost, written as ca.pem, server.pem and server.key into `folder`.
bool MakeCertificates(const std::string& folder) {
  const std::string key = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
  std::ofstream(folder + "/server.ext") << "subjectAltName=IP:127.0.0.1,DNS:localhost\n";
  return RunQuietly("openssl req -x509" + key + " -keyout " + folder + "/ca.key -out " + folder +
             "/ca.pem -days 2 -subj /CN=kiv-test-ca -addext basicConstraints=critical,CA:TRUE" +
             " -addext keyUsage=critical,keyCertSign,cRLSign") &&
         RunQuietly("openssl req" + key + " -keyout " + folder + "/server.key -out " + folder +
             "/server.csr -subj /CN=localhost") &&
         RunQuietly("openssl x509 -req -in " + folder + "/server.csr -CA " + folder + "/ca.pem -CAkey " + folder +
             "/ca.key -CAcreateserial -days 2 -out " + folder + "/server.pem -extfile " + folder + "/server.ext");
}

class HttpRequestTlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!RunQuietly("openssl version")) GTEST_SKIP() << "the openssl command is missing: no certificates to test with";
    folder_ = platform::testing::MakeTempHostFolder("kiv-tls-");
    ASSERT_TRUE(MakeCertificates(folder_)) << "openssl could not make the test certificates in " << folder_;
    NginxServer::Options options;
    options.addresses = {"127.0.0.1"};
    options.tlsCertFile = folder_ + "/server.pem";
    options.tlsKeyFile = folder_ + "/server.key";
    server_ = std::make_unique<NginxServer>(options);
    server_->AddFile("answer.txt", kAnswer);
    std::string error;
    ASSERT_TRUE(server_->Start(&error)) << error;
  }
  void TearDown() override {
    SetServiceCaFile(deployment::kServiceCaFile);
    server_.reset();
    if (!folder_.empty()) platform::testing::RemoveHostTree(folder_);
  }
  std::string Get(const std::string& url, int* code) {
    return CurlRequest(kCurlGet, Utf8ToWide(url), {}, false, false, std::string(), code);
  }

  std::string folder_;
  std::unique_ptr<NginxServer> server_;
};

TEST_F(HttpRequestTlsTest, UntrustedPeerIsRefusedUntilTheServiceCaVouchesForIt) {
  const std::string url = server_->Url("127.0.0.1", "answer.txt");
  ASSERT_EQ(url.rfind("https://", 0), 0u) << url;
  SetServiceCaFile(deployment::kServiceCaFile);
  for (const std::string& written : {url, "HTTPS://" + url.substr(8)}) {
    int code = -1;
    EXPECT_EQ(Get(written, &code), "") << written;
    EXPECT_EQ(code, kPeerNotVerified) << written;
  }
  EXPECT_EQ(server_->RequestCount("127.0.0.1"), 0) << "no request may be sent to an unverified peer";

  SetServiceCaFile(folder_ + "/ca.pem");
  int code = -1;
  EXPECT_EQ(Get(url, &code), kAnswer);
  EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace ns_VYN
