#include "app/RowIcons.h"

#include <condition_variable>
#include <mutex>
#include <utility>

namespace vsk {

struct CRowIcons::Shared {
  Shared(Lookup l, ThreadHooks h) : lookup(std::move(l)), hooks(std::move(h)) {}
  const Lookup lookup;
  const ThreadHooks hooks;
  std::mutex mutex;
  std::condition_variable wake, ended;
  // Taken from the back: the rows shown last are the ones on the screen.
  std::vector<std::pair<size_t, std::wstring>> asked;
  std::vector<std::pair<size_t, int>> found;
  bool stop = false, done = false;
};

CRowIcons::CRowIcons(Lookup lookup, ThreadHooks hooks)
    : m_lookup(std::move(lookup)),
      m_hooks(std::move(hooks)),
      m_shared(std::make_shared<Shared>(m_lookup, m_hooks)) {}

void CRowIcons::Add(int typeIcon, bool ownIcon) {
  m_rows.push_back({typeIcon, ownIcon ? State::Wanted : State::TypeOnly});
}

int CRowIcons::IconOf(size_t row, const std::wstring& object) {
  if (row >= m_rows.size()) return -1;
  Row& r = m_rows[row];
  if (r.state == State::Wanted) {
    r.state = State::Asked;
    std::lock_guard lock(m_shared->mutex);
    m_shared->asked.emplace_back(row, object);
    m_shared->wake.notify_one();
    if (!m_thread.joinable()) m_thread = std::thread(&CRowIcons::Run, m_shared);
  }
  return r.icon;
}

std::vector<size_t> CRowIcons::TakeFound() {
  std::vector<std::pair<size_t, int>> found;
  {
    std::lock_guard lock(m_shared->mutex);
    found.swap(m_shared->found);
  }
  std::vector<size_t> changed;
  for (const auto& [row, icon] : found) {
    if (row >= m_rows.size() || icon < 0 || icon == m_rows[row].icon) continue;
    m_rows[row].icon = icon;
    changed.push_back(row);
  }
  return changed;
}

void CRowIcons::Clear(std::chrono::milliseconds bound) {
  m_rows = {};
  if (m_thread.joinable()) {
    std::unique_lock lock(m_shared->mutex);
    m_shared->stop = true;
    m_shared->asked.clear();
    m_shared->wake.notify_one();
    const bool ended = m_shared->ended.wait_for(lock, bound, [&] { return m_shared->done; });
    lock.unlock();
    if (ended)
      m_thread.join();
    else
      m_thread.detach();
  }
  m_shared = std::make_shared<Shared>(m_lookup, m_hooks);
}

// The shared state is the thread's own reference: a thread left to end on
// its own after a bounded wait still has it.
void CRowIcons::Run(std::shared_ptr<Shared> shared) {
  Shared& s = *shared;
  if (s.hooks.started) s.hooks.started();
  std::unique_lock lock(s.mutex);
  for (;;) {
    s.wake.wait(lock, [&] { return s.stop || !s.asked.empty(); });
    if (s.stop) break;
    const auto [row, object] = std::move(s.asked.back());
    s.asked.pop_back();
    lock.unlock();
    const int icon = s.lookup(object);
    lock.lock();
    if (s.stop) break;
    s.found.emplace_back(row, icon);
    if (s.found.size() == 1 && s.hooks.found) s.hooks.found();
  }
  lock.unlock();
  if (s.hooks.ending) s.hooks.ending();
  lock.lock();
  s.done = true;
  s.ended.notify_all();
}

}  // namespace vsk
