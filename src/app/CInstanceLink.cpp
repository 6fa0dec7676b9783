#include "app/CInstanceLink.h"

#include <sys/stat.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/ipc.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <cstdlib>

namespace rollscribe {

namespace {

const char* const kTopic = "Rollscribe";
const std::string kOpen = "open\n";
const std::string kShow = "show";
// The longest socket path the system takes (sun_path less its final 0 byte).
constexpr std::size_t kMaxSocketPath = 107;

// A folder that exists, is not a link, belongs to this user and that nobody else may enter.
bool IsPrivateFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

// Answers one second start: opens its file in this program.
class CRequestConnection : public wxConnection {
  public:
    explicit CRequestConnection(CInstanceLink::OpenHandler handler)
        : m_handler(std::move(handler)) {}

    bool OnExecute(const wxString& topic, const void* data, size_t size,
                   wxIPCFormat format) override {
        (void)topic;
        (void)format;
        std::string request(static_cast<const char*>(data), size);
        std::optional<std::string> file;
        if (!ParseInstanceRequest(request, file)) return false;
        // Open after answering, so that the second program can end at once.
        wxTheApp->CallAfter([handler = m_handler, file] { handler(file); });
        return true;
    }

  private:
    CInstanceLink::OpenHandler m_handler;
};

class CRequestServer : public wxServer {
  public:
    explicit CRequestServer(CInstanceLink::OpenHandler handler) : m_handler(std::move(handler)) {}

    wxConnectionBase* OnAcceptConnection(const wxString& topic) override {
        return topic == kTopic ? new CRequestConnection(m_handler) : nullptr;
    }

  private:
    CInstanceLink::OpenHandler m_handler;
};

}  // namespace

std::string MakeInstanceRequest(const std::optional<std::string>& absoluteFile) {
    return absoluteFile ? kOpen + *absoluteFile : kShow;
}

bool ParseInstanceRequest(const std::string& request, std::optional<std::string>& file) {
    if (request == kShow) {
        file.reset();
        return true;
    }
    if (request.size() > kOpen.size() && request.compare(0, kOpen.size(), kOpen) == 0 &&
        request.find('\0') == std::string::npos) {
        file = request.substr(kOpen.size());
        return true;
    }
    return false;
}

CInstanceLink::CInstanceLink(std::string scope) : m_scope(std::move(scope)) {}

CInstanceLink::~CInstanceLink() = default;

std::string CInstanceLink::RuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && IsPrivateFolder(runtime)) return runtime;
    std::string folder = "/tmp/rollscribe-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    return IsPrivateFolder(folder) ? folder : std::string();
}

std::string CInstanceLink::FileStem(const std::string& scope) {
    return scope.empty() ? "rollscribe" : "rollscribe-" + scope;
}

bool CInstanceLink::ForwardOrServe(const std::optional<std::string>& file, OpenHandler handler) {
    std::string folder = RuntimeFolder();
    if (folder.empty()) return false;
    const std::string stem = FileStem(m_scope);
    const std::string lockName = stem + ".lock";
    std::string socketPath = folder + "/" + stem + ".socket";
    if (socketPath.size() > kMaxSocketPath) return false;

    wxLogNull quiet;
    m_checker = std::make_unique<wxSingleInstanceChecker>();
    if (!m_checker->Create(wxString::FromUTF8(lockName), wxString::FromUTF8(folder))) {
        // A lock file the checker does not trust (say with other permissions) can only be this
        // user's own, as nobody else may enter the folder: it is replaced.
        m_checker = std::make_unique<wxSingleInstanceChecker>();
        ::unlink((folder + "/" + lockName).c_str());
        if (!m_checker->Create(wxString::FromUTF8(lockName), wxString::FromUTF8(folder))) {
            m_checker.reset();
            return false;
        }
    }
    if (m_checker->IsAnotherRunning()) {
        if (Forward(socketPath, MakeInstanceRequest(file))) return true;
        // The other program does not answer: run on alone, without taking its socket.
        m_checker.reset();
        return false;
    }
    // This program holds the lock: whatever is at the socket's name was left behind by one that
    // crashed.
    ::unlink(socketPath.c_str());
    m_server = std::make_unique<CRequestServer>(std::move(handler));
    if (!m_server->Create(wxString::FromUTF8(socketPath))) m_server.reset();
    return false;
}

bool CInstanceLink::Forward(const std::string& socketPath, const std::string& request) {
    wxClient client;
    // The running program may have taken the lock a moment ago and not yet opened its socket.
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::unique_ptr<wxConnectionBase> connection(
            client.MakeConnection("localhost", wxString::FromUTF8(socketPath), kTopic));
        if (connection) {
            bool done = connection->Execute(request.data(), request.size(), wxIPC_PRIVATE);
            connection->Disconnect();
            if (done) return true;
        }
        wxMilliSleep(100);
    }
    return false;
}

}  // namespace rollscribe
