// The icons of the results list's rows. A row shows its type's icon from
// the start; a row whose type carries an icon of its own (a program, an
// icon file) has that one looked up once the row is shown, on a thread of
// its own, newest request first, as asking the shell about a file costs
// milliseconds. Rows never shown are never looked up. Plain C++: the
// lookup and the thread's surroundings are given as functions.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vsk {

class CRowIcons {
 public:
  // A file's own icon from its row's object text; -1 when there is none.
  // Runs on the lookup thread.
  using Lookup = std::function<int(const std::wstring& object)>;
  struct ThreadHooks {
    // On the lookup thread, before its first lookup and after its last.
    std::function<void()> started, ending;
    // On the lookup thread, when an icon is found and none was waiting:
    // TakeFound() has something for the owner's thread. Called under the
    // lookup's lock, so it must not wait for the owner (post, don't send).
    std::function<void()> found;
  };

  CRowIcons(Lookup lookup, ThreadHooks hooks);
  CRowIcons(const CRowIcons&) = delete;
  CRowIcons& operator=(const CRowIcons&) = delete;
  ~CRowIcons() { Clear(); }

  // A row after the last; `typeIcon` until its own is found, looked up only
  // when `ownIcon`.
  void Add(int typeIcon, bool ownIcon);
  size_t Count() const { return m_rows.size(); }
  // The icon to show for `row`: the first time an own icon is wanted it is
  // asked for `object` (the row's text), which is read then.
  int IconOf(size_t row, const std::wstring& object);
  // The icon shown now, asking for nothing; -1 for no such row.
  int Current(size_t row) const { return row < m_rows.size() ? m_rows[row].icon : -1; }
  bool Asked(size_t row) const { return row < m_rows.size() && m_rows[row].state == State::Asked; }
  // Writes the icons found since the last call into their rows and returns
  // those rows, whose drawing is now out of date.
  std::vector<size_t> TakeFound();
  // Forgets every row and ends the lookup thread, waiting for it at most
  // `bound`: a lookup that hangs is left to end on its own, and what it
  // finds is dropped.
  void Clear(std::chrono::milliseconds bound = std::chrono::milliseconds(500));

 private:
  // TypeOnly: no own icon to look for; Wanted: one to ask for when shown.
  enum class State : uint8_t { TypeOnly, Wanted, Asked };
  struct Row {
    int icon;
    State state;
  };
  struct Shared;
  static void Run(std::shared_ptr<Shared> shared);

  Lookup m_lookup;
  ThreadHooks m_hooks;
  std::vector<Row> m_rows;
  // Shared with the thread, which may outlive a bounded wait.
  std::shared_ptr<Shared> m_shared;
  std::thread m_thread;
};

}  // namespace vsk
