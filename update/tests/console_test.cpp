// The console front end: Ctrl+C and SIGTERM act as Cancelar during a run and
// only then; whether a display is available.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <optional>

#include "common/core/Console.h"

namespace updatetest {
namespace {

volatile std::sig_atomic_t g_previousHandlerCalls = 0;
void PreviousHandler(int) { g_previousHandlerCalls = g_previousHandlerCalls + 1; }

TEST(ConsoleProgressView, SignalsCancelOnceDuringARunAndReachThePreviousHandlerAfter) {
  for (int signo : {SIGINT, SIGTERM}) {
    struct sigaction previous{}, saved{};
    previous.sa_handler = PreviousHandler;
    sigemptyset(&previous.sa_mask);
    ASSERT_EQ(sigaction(signo, &previous, &saved), 0);
    g_previousHandlerCalls = 0;

    common::ConsoleProgressView view;
    int cancels = 0;
    view.Open([&] { ++cancels; });
    raise(signo);
    EXPECT_EQ(cancels, 0) << "delivered only where the run lets events run";
    view.ProcessEvents();
    EXPECT_EQ(cancels, 1);
    view.ProcessEvents();
    EXPECT_EQ(cancels, 1);
    view.Close();

    raise(signo);
    EXPECT_EQ(g_previousHandlerCalls, 1);
    EXPECT_EQ(cancels, 1);

    // A second run starts with no cancel pending.
    view.Open([&] { ++cancels; });
    view.ProcessEvents();
    EXPECT_EQ(cancels, 1);
    view.Close();
    sigaction(signo, &saved, nullptr);
  }
}

TEST(DisplayAvailable, AnyOfTheThreeVariablesMeansADisplay) {
  const char* names[] = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  std::optional<std::string> saved[3];
  for (int i = 0; i < 3; ++i) {
    if (const char* v = std::getenv(names[i])) saved[i] = v;
    unsetenv(names[i]);
  }
  EXPECT_FALSE(common::DisplayAvailable());
  for (int i = 0; i < 3; ++i) {
    setenv(names[i], "", 1);
    EXPECT_FALSE(common::DisplayAvailable()) << names[i] << " empty";
    setenv(names[i], i == 2 ? "offscreen" : ":0", 1);
    EXPECT_TRUE(common::DisplayAvailable()) << names[i];
    unsetenv(names[i]);
  }
  for (int i = 0; i < 3; ++i) {
    if (saved[i]) setenv(names[i], saved[i]->c_str(), 1);
  }
}

}  // namespace
}  // namespace updatetest
