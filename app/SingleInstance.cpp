#include "app/SingleInstance.h"

#include <sddl.h>

#include <memory>
#include <vector>

#include "app/HandOff.h"

namespace vsk {
namespace {

// Longer than the splash and the window's start under a slow system; a
// start lock held by anything else only delays a start this long.
constexpr DWORD kStartWaitMs = 15000;
constexpr UINT kHandOffWaitMs = 10000;

CSingleInstance* g_current = nullptr;

struct HandleCloser {
  void operator()(HANDLE h) const { ::CloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// The user of a process's token, as bytes of its SID.
std::vector<BYTE> TokenUser(HANDLE process) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(process, TOKEN_QUERY, &token)) return {};
  const Handle owned(token);
  DWORD size = 0;
  ::GetTokenInformation(token, ::TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size == 0 || !::GetTokenInformation(token, ::TokenUser, buffer.data(), size, &size)) return {};
  const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  if (!::IsValidSid(sid)) return {};
  const auto* bytes = static_cast<const BYTE*>(sid);
  return std::vector<BYTE>(bytes, bytes + ::GetLengthSid(sid));
}

std::wstring SidText(const std::vector<BYTE>& sid) {
  if (sid.empty()) return {};
  LPWSTR text = nullptr;
  if (!::ConvertSidToStringSidW(const_cast<BYTE*>(sid.data()), &text)) return {};
  std::wstring result(text);
  ::LocalFree(text);
  return result;
}

}  // namespace

bool WindowOfThisUser(HWND window) {
  DWORD pid = 0, session = 0, ours = 0;
  if (!window || !::GetWindowThreadProcessId(window, &pid) || !pid) return false;
  if (!::ProcessIdToSessionId(pid, &session) ||
      !::ProcessIdToSessionId(::GetCurrentProcessId(), &ours) || session != ours)
    return false;
  const Handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  if (!process) return false;
  const std::vector<BYTE> theirs = TokenUser(process.get());
  return !theirs.empty() && theirs == TokenUser(::GetCurrentProcess());
}

CSingleInstance::CSingleInstance(const std::filesystem::path& dataFolder, bool waitForOthers) {
  const std::wstring sid = SidText(TokenUser(::GetCurrentProcess()));
  if (sid.empty()) return;
  m_name = InstanceName(sid, dataFolder.wstring());
  // In the session's own namespace; another user who made the name first
  // can only make a start wait, as the window found is checked anyway.
  m_mutex = ::CreateMutexW(nullptr, FALSE, (L"Local\\" + m_name).c_str());
  if (m_mutex) {
    const DWORD waited = ::WaitForSingleObject(m_mutex, waitForOthers ? kStartWaitMs : 0);
    m_held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  g_current = this;
}

CSingleInstance::~CSingleInstance() {
  Release();
  if (m_mutex) ::CloseHandle(m_mutex);
  if (g_current == this) g_current = nullptr;
}

CSingleInstance* CSingleInstance::Current() { return g_current; }

void CSingleInstance::Release() {
  if (m_held) ::ReleaseMutex(m_mutex);
  m_held = false;
}

void CSingleInstance::Register(HWND window) {
  if (!m_name.empty()) ::SetPropW(window, m_name.c_str(), reinterpret_cast<HANDLE>(1));
  Release();
}

HWND CSingleInstance::FindRunningWindow() const {
  struct Search {
    const CSingleInstance* self;
    HWND found;
  } search{this, nullptr};
  ::EnumWindows(
      [](HWND w, LPARAM l) -> BOOL {
        auto* s = reinterpret_cast<Search*>(l);
        if (!::GetPropW(w, s->self->m_name.c_str()) || !WindowOfThisUser(w)) return TRUE;
        s->found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool CSingleInstance::HandOff(const std::wstring& path) const {
  if (m_name.empty() || path.empty() || path.size() >= kMaxHandedUnits) return false;
  const HWND window = FindRunningWindow();
  if (!window) return false;
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  // So that the window may come to the front when it takes the path.
  ::AllowSetForegroundWindow(pid);
  COPYDATASTRUCT data{kHandOffTag, static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)),
                      const_cast<wchar_t*>(path.c_str())};
  DWORD_PTR taken = FALSE;
  return ::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG | SMTO_BLOCK, kHandOffWaitMs, &taken) &&
         taken == TRUE;
}

}  // namespace vsk
