// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace mirablot::testing {

/// A helper program a test starts, reads one line from, and stops by its id when it goes.
class ChildProcess {
 public:
  /// Starts the program (argv[0] a path) with the test's environment; its stdout is ours to
  /// read and its stderr goes to the test's.
  explicit ChildProcess(const std::vector<std::string>& argv) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
      throw std::runtime_error("pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
      args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    const int failed = posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    m_stdout = out[0];
    if (failed != 0) {
      ::close(m_stdout);
      throw std::runtime_error("cannot start " + argv[0]);
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() {
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
    ::close(m_stdout);
  }

  /// The next line the program writes, without its line feed; throws after `within`.
  std::string ReadLine(std::chrono::milliseconds within = std::chrono::seconds(10)) {
    std::string line;
    const auto until = std::chrono::steady_clock::now() + within;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            until - std::chrono::steady_clock::now())
                            .count();
      pollfd descriptor{m_stdout, POLLIN, 0};
      char c = 0;
      if (left <= 0 || ::poll(&descriptor, 1, static_cast<int>(left)) <= 0 ||
          ::read(m_stdout, &c, 1) != 1) {
        throw std::runtime_error("no line from the helper program: \"" + line + "\"");
      }
      if (c == '\n') {
        return line;
      }
      line += c;
    }
  }

 private:
  pid_t m_pid = 0;
  int m_stdout = -1;
};

}  // namespace mirablot::testing
