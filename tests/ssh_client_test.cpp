// The SSH transport against a real OpenSSH server on 127.0.0.1 (a private
// sshd with a throw-away account; needs root) and against sockets that never
// answer: exit status, error lines, the sudo password on standard input,
// host keys pinned on first use and refused when they change, time-outs and
// the stop at shut-down.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "host/board_stubs.h"
#include "host/ssh_client.h"
#include "support/local_sshd.h"
#include "support/temp_files.h"

namespace {

int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// A listening socket on 127.0.0.1 that never accepts: connections complete
// in the kernel, but no server greeting ever comes.
struct SilentListener {
  SilentListener() {
    fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof(addr);
    if (bind(fd, (sockaddr*)&addr, len) == 0 && listen(fd, 4) == 0 &&
        getsockname(fd, (sockaddr*)&addr, &len) == 0)
      port = ntohs(addr.sin_port);
  }
  ~SilentListener() { close(fd); }
  int fd = -1;
  int port = 0;
};

class SshClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = makeTempDir("/tmp/qsodeck-ssh-client-");
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override { removeTempDir(dir_); }

  DesktopSshRequest request(int port, const std::string& command) {
    DesktopSshRequest r;
    r.host = "127.0.0.1";
    r.port = (uint16_t)port;
    r.user = "nobody";
    r.password = "secret";
    r.command = command.c_str();
    r.knownHostsFile = (dir_ + "/ssh_known_hosts").c_str();
    return r;
  }

  std::string knownHosts() { return readWholeFile(dir_ + "/ssh_known_hosts"); }

  std::string dir_;
};

class SshServerTest : public SshClientTest {
 protected:
  void SetUp() override {
    const std::string why = LocalSshServer::unavailableReason();
    if (!why.empty()) GTEST_SKIP() << why;
    SshClientTest::SetUp();
    server_.reset(new LocalSshServer(options()));
    ASSERT_TRUE(server_->ok()) << server_->error();
  }
  void TearDown() override {
    server_.reset();
    SshClientTest::TearDown();
  }
  virtual LocalSshServer::Options options() { return LocalSshServer::Options(); }

  DesktopSshRequest serverRequest(const std::string& command) {
    DesktopSshRequest r = request(server_->port(), command);
    r.user = server_->user().c_str();
    r.password = server_->password().c_str();
    return r;
  }

  std::unique_ptr<LocalSshServer> server_;
};

TEST_F(SshServerTest, RunsTheCommandAndPinsTheHostKeyOnFirstUse) {
  DesktopSshResult first = desktopSshRun(serverRequest("echo; echo '  hello there '; echo warn >&2"));
  ASSERT_TRUE(first.ok()) << first.error.c_str();
  EXPECT_EQ(0, first.exitStatus);
  EXPECT_EQ(String("hello there"), first.outputLine);
  EXPECT_EQ(String(""), first.error);
  EXPECT_TRUE(first.hostKeyStored);
  // OpenSSH format: "[host]:port" for a port other than 22, then the key.
  const std::string pinned = knownHosts();
  EXPECT_EQ(0u, pinned.find("[127.0.0.1]:" + std::to_string(server_->port()) + " ssh-ed25519 AAAA"))
      << pinned;

  DesktopSshResult second = desktopSshRun(serverRequest("true"));
  EXPECT_TRUE(second.ok()) << second.error.c_str();
  EXPECT_FALSE(second.hostKeyStored);
  EXPECT_EQ(pinned, knownHosts());  // nothing added for a known host
  EXPECT_EQ(2, server_->commandCount());
}

TEST_F(SshServerTest, ExitStatusDecidesAndTheFirstErrorLineExplains) {
  struct Case {
    const char* command;
    int exitStatus;
    const char* error;
  };
  const Case cases[] = {
      {"printf '\\n  first problem \\nsecond\\n' >&2; echo output; exit 3", 3, "first problem"},
      {"echo; echo only output; exit 4", 4, "only output"},
      {"exit 5", 5, ""},
      {"echo fine; echo noise >&2", 0, ""},
      {"/no/such/tool", 127, "/bin/sh: 1: /no/such/tool: not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    DesktopSshResult r = desktopSshRun(serverRequest(c.command));
    EXPECT_EQ(c.exitStatus, r.exitStatus);
    EXPECT_EQ(c.exitStatus == 0, r.ok());
    EXPECT_EQ(String(c.error), r.error);
    if (c.exitStatus != 0) {
      EXPECT_EQ(DesktopSshOutcome::COMMAND_FAILED, r.outcome);
    }
  }
}

TEST_F(SshServerTest, SudoPasswordGoesToStandardInputOnlyWhenAsked) {
  server_->setRecordOnly(true);
  DesktopSshRequest r = serverRequest("sudo -S -p '' /bin/sh -c 'id'");
  r.sendSudoPassword = true;
  ASSERT_TRUE(desktopSshRun(r).ok());
  EXPECT_EQ("sudo -S -p '' /bin/sh -c 'id'", server_->lastCommand());
  EXPECT_EQ(server_->password() + "\n", server_->lastStdin());

  r.sendSudoPassword = false;
  ASSERT_TRUE(desktopSshRun(r).ok());
  EXPECT_EQ("", server_->lastStdin());
  EXPECT_EQ(2, server_->commandCount());
}

TEST_F(SshServerTest, ChangedHostKeyIsRefusedBeforeAnythingIsSent) {
  ASSERT_TRUE(desktopSshRun(serverRequest("true")).ok());
  const std::string pinned = knownHosts();
  ASSERT_TRUE(server_->replaceHostKey()) << server_->error();

  DesktopSshResult r = desktopSshRun(serverRequest("echo must not run"));
  EXPECT_EQ(DesktopSshOutcome::HOST_KEY_CHANGED, r.outcome);
  EXPECT_EQ(String("SSH host key changed for 127.0.0.1; refusing."), r.error);
  EXPECT_EQ(1, server_->commandCount());
  EXPECT_EQ(pinned, knownHosts());  // the old key stays pinned

  // Accepting the new key is deleting the host's line (as the README says):
  // then it is pinned anew.
  const std::string forget = "ssh-keygen -q -R '[127.0.0.1]:" + std::to_string(server_->port()) + "' -f '" +
                             dir_ + "/ssh_known_hosts' >/dev/null 2>&1";
  ASSERT_EQ(0, system(forget.c_str()));
  EXPECT_EQ("", knownHosts());
  DesktopSshResult again = desktopSshRun(serverRequest("true"));
  EXPECT_TRUE(again.ok()) << again.error.c_str();
  EXPECT_TRUE(again.hostKeyStored);
  EXPECT_NE(pinned, knownHosts());
}

TEST_F(SshServerTest, WrongPasswordIsRefusedWithoutPinningOrRunning) {
  DesktopSshRequest r = serverRequest("true");
  r.password = "not-the-password";
  DesktopSshResult res = desktopSshRun(r);
  EXPECT_EQ(DesktopSshOutcome::AUTH_FAILED, res.outcome);
  EXPECT_FALSE(res.error.isEmpty());
  EXPECT_EQ(std::string::npos, std::string(res.error.c_str()).find("not-the-password"));
  EXPECT_EQ(0, server_->commandCount());
  EXPECT_EQ("", knownHosts());  // a host is pinned only after a login worked
}

TEST_F(SshServerTest, WholeCommandTimeOutEndsALongCommand) {
  DesktopSshRequest r = serverRequest("sleep 20");
  r.commandTimeoutMs = 1500;
  const int64_t start = nowMs();
  DesktopSshResult res = desktopSshRun(r);
  const int64_t took = nowMs() - start;
  EXPECT_EQ(DesktopSshOutcome::TIMED_OUT, res.outcome);
  EXPECT_EQ(String("timed out after 1 s"), res.error);
  EXPECT_GE(took, 1400);
  EXPECT_LT(took, 4000);
}

// The host's stop at shut-down ends a running command within a read slice.
TEST_F(SshServerTest, StopRequestEndsARunningCommandAtOnce) {
  struct Run {
    DesktopSshRequest request;
    DesktopSshResult result;
  } run{serverRequest("sleep 20"), {}};
  TaskHandle_t handle = nullptr;
  ASSERT_EQ(pdPASS, xTaskCreatePinnedToCore(
                        [](void* p) {
                          Run* r = (Run*)p;
                          r->result = desktopSshRun(r->request);
                        },
                        "sshTest", 16384, &run, 1, &handle, 1));
  for (int i = 0; i < 100 && server_->commandCount() == 0; ++i) usleep(50 * 1000);
  ASSERT_EQ(1, server_->commandCount());
  const int64_t start = nowMs();
  EXPECT_TRUE(desktopStopTasks(5000));
  EXPECT_LT(nowMs() - start, 1000);
  EXPECT_EQ(DesktopSshOutcome::STOPPED, run.result.outcome);
}

class SshKeyboardInteractiveTest : public SshServerTest {
 protected:
  LocalSshServer::Options options() override {
    LocalSshServer::Options o;
    o.keyboardInteractiveOnly = true;
    return o;
  }
};

TEST_F(SshKeyboardInteractiveTest, LogsInWhenOnlyKeyboardInteractiveIsOffered) {
  DesktopSshResult r = desktopSshRun(serverRequest("echo via-kbdint"));
  ASSERT_TRUE(r.ok()) << r.error.c_str() << " / " << readWholeFile(server_->dir() + "/sshd.log");
  EXPECT_EQ(String("via-kbdint"), r.outputLine);
}

// Without a server

TEST_F(SshClientTest, ConnectTimeOutWhenTheServerNeverGreets) {
  SilentListener silent;
  ASSERT_GT(silent.port, 0);
  DesktopSshRequest r = request(silent.port, "true");
  r.connectTimeoutMs = 700;
  const int64_t start = nowMs();
  DesktopSshResult res = desktopSshRun(r);
  const int64_t took = nowMs() - start;
  EXPECT_EQ(DesktopSshOutcome::CONNECT_FAILED, res.outcome);
  EXPECT_FALSE(res.error.isEmpty());
  EXPECT_GE(took, 600);
  EXPECT_LT(took, 3000);
  EXPECT_EQ("", knownHosts());
}

TEST_F(SshClientTest, RefusedConnectionAndBadHostSayWhy) {
  SilentListener closed;  // bound, then closed: nothing listens there
  const int port = closed.port;
  close(closed.fd);
  closed.fd = -1;
  DesktopSshResult refused = desktopSshRun(request(port, "true"));
  EXPECT_EQ(DesktopSshOutcome::CONNECT_FAILED, refused.outcome);
  EXPECT_FALSE(refused.error.isEmpty());

  DesktopSshRequest empty = request(port, "true");
  empty.host = "";
  DesktopSshResult noHost = desktopSshRun(empty);
  EXPECT_EQ(DesktopSshOutcome::CONNECT_FAILED, noHost.outcome);
  EXPECT_FALSE(noHost.error.isEmpty());
}

TEST(SshText, FirstNonEmptyLine) {
  EXPECT_EQ(String("a b"), desktopFirstNonEmptyLine("\n \r\n  a b \r\nc"));
  EXPECT_EQ(String("last"), desktopFirstNonEmptyLine("\n\nlast"));
  EXPECT_EQ(String(""), desktopFirstNonEmptyLine(" \n\t\n"));
  EXPECT_EQ(String(""), desktopFirstNonEmptyLine(""));
}

}  // namespace
