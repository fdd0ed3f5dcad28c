// The rows' own icons: looked up for rows shown only, once each, newest
// first, off the caller's thread; and a clear that does not wait for a
// lookup that hangs.
#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/RowIcons.h"

namespace vsk {
namespace {

using namespace std::chrono_literals;

// The lookups asked for and the thread's hooks; the first lookup waits
// until `open`.
struct FakeShell {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::wstring> asked;
  std::thread::id thread;
  bool open = false;
  int started = 0, ended = 0, found = 0;

  int Lookup(const std::wstring& object) {
    std::unique_lock lock(mutex);
    asked.push_back(object);
    thread = std::this_thread::get_id();
    changed.notify_all();
    if (asked.size() == 1) changed.wait(lock, [&] { return open; });
    return object == L"broken.exe" ? -1 : 100 + static_cast<int>(object.size());
  }
  void Set(const std::function<void()>& change) {
    std::lock_guard lock(mutex);
    change();
    changed.notify_all();
  }
  // A guard against a hang, not a measure.
  bool WaitFor(const std::function<bool()>& done) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, 10s, done);
  }
  CRowIcons::ThreadHooks Hooks() {
    return {[this] { Set([&] { ++started; }); }, [this] { Set([&] { ++ended; }); },
            [this] { Set([&] { ++found; }); }};
  }
};

TEST(RowIcons, OnlyRowsShownWithAnIconOfTheirOwnAreLookedUpOnceNewestFirst) {
  FakeShell shell;
  CRowIcons icons([&](const std::wstring& o) { return shell.Lookup(o); }, shell.Hooks());
  for (bool own : {true, false, true, true, true}) icons.Add(own ? 1 : 2, own);
  EXPECT_EQ(icons.IconOf(0, L"a.exe"), 1) << "the type's icon until the own one is found";
  ASSERT_TRUE(shell.WaitFor([&] { return shell.asked.size() == 1; }));
  EXPECT_EQ(icons.IconOf(1, L"b.txt"), 2);
  icons.IconOf(2, L"cc.exe");
  icons.IconOf(3, L"broken.exe");
  icons.IconOf(2, L"cc.exe");
  shell.Set([&] { shell.open = true; });
  // The hooks take the shell's lock under the icons' one: polled outside.
  std::vector<size_t> changed;
  for (int i = 0; i < 10000 && changed.size() < 2; ++i) {
    for (size_t row : icons.TakeFound()) changed.push_back(row);
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_EQ(changed, (std::vector<size_t>{0, 2}));
  EXPECT_EQ(shell.asked, (std::vector<std::wstring>{L"a.exe", L"broken.exe", L"cc.exe"}))
      << "each row once, the newest request first";
  EXPECT_NE(shell.thread, std::this_thread::get_id());
  EXPECT_EQ(icons.IconOf(0, L"a.exe"), 105);
  EXPECT_EQ(icons.Current(3), 1) << "a failed lookup keeps the type's icon";
  EXPECT_FALSE(icons.Asked(4)) << "a row never shown is never looked up";
  icons.Clear();
  EXPECT_EQ(shell.asked.size(), 3u);
  EXPECT_EQ(shell.started + shell.ended, 2);
}

TEST(RowIcons, AClearLeavesAHungLookupBehindAndDropsWhatItFinds) {
  FakeShell shell;
  CRowIcons icons([&](const std::wstring& o) { return shell.Lookup(o); }, shell.Hooks());
  icons.Add(1, true);
  icons.IconOf(0, L"slow.exe");
  ASSERT_TRUE(shell.WaitFor([&] { return shell.asked.size() == 1; }));
  icons.Clear(20ms);  // returns with the lookup still inside the shell
  icons.Add(3, true);
  icons.IconOf(0, L"next.exe");
  ASSERT_TRUE(shell.WaitFor([&] { return shell.found == 1; }));
  shell.Set([&] { shell.open = true; });
  ASSERT_TRUE(shell.WaitFor([&] { return shell.ended == 1; })) << "the hung one ends once free";
  EXPECT_EQ(icons.TakeFound(), std::vector<size_t>{0});
  EXPECT_EQ(icons.Current(0), 108) << "the new row's icon, not the old lookup's";
  EXPECT_EQ(shell.found, 1);
  EXPECT_EQ(shell.started, 2) << "a new thread after the clear";
}

}  // namespace
}  // namespace vsk
