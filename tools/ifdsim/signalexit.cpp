#include "signalexit.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int gPipe[2] = {-1, -1};

void OnSignal(int signal) {
  const char byte = char(signal);
  // Only async-signal-safe work here: the event loop does the rest.
  [[maybe_unused]] const ssize_t n = ::write(gPipe[1], &byte, 1);
}
}  // namespace

TSignalExit::TSignalExit(QObject* parent) : QObject(parent) {
  if (gPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gPipe) != 0) return;
  FNotifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
  connect(FNotifier, &QSocketNotifier::activated, this, [this] {
    char byte = 0;
    if (::read(gPipe[0], &byte, 1) == 1) emit Caught(int(byte));
  });
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &sa, nullptr);
  // A host that hangs up mid-answer must not kill the simulator.
  std::signal(SIGPIPE, SIG_IGN);
}

TSignalExit::~TSignalExit() {
  struct sigaction sa {};
  sa.sa_handler = SIG_DFL;
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &sa, nullptr);
}
