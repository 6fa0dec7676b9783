#pragma once

#include <wx/app.h>
#include <wx/ipc.h>
#include <wx/snglinst.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace rollscribe {

// Keeps one running program per user and display. The first program on a display holds a lock
// and answers requests on a socket, both in a folder only the user can enter ($XDG_RUNTIME_DIR,
// or a private folder in /tmp) and both named after the display (see DisplayScope). A second
// start on the same display hands its file (or just the wish to be seen) to the first and ends;
// a start on another display runs a window of its own there. A lock left by a program that
// crashed is taken over; when the running program cannot be reached, the new one simply runs on
// its own.
class CInstanceLink {
  public:
    // Called in the first program for a forwarded file (an absolute path) or a plain start.
    using OpenHandler = std::function<void(const std::optional<std::string>& file)>;

    // scope: the display's, as DisplayScope gives it; empty for a program on no known display.
    explicit CInstanceLink(std::string scope);
    ~CInstanceLink();
    CInstanceLink(const CInstanceLink&) = delete;
    CInstanceLink& operator=(const CInstanceLink&) = delete;

    // True when another program runs and has taken the request; this one should then end.
    // Otherwise this program becomes the one that answers later starts.
    bool ForwardOrServe(const std::optional<std::string>& file, OpenHandler handler);

    // The folder of the lock and the socket; empty when no private folder could be had.
    static std::string RuntimeFolder();
    // The name of the lock and the socket of a scope, without their extensions (".lock",
    // ".socket"): "rollscribe-SCOPE", or "rollscribe" for the empty scope.
    static std::string FileStem(const std::string& scope);

  private:
    bool Forward(const std::string& socketPath, const std::string& request);

    std::string m_scope;
    std::unique_ptr<wxSingleInstanceChecker> m_checker;
    std::unique_ptr<wxServer> m_server;
};

// The request a second start sends: "open" and an absolute file name, or "show".
std::string MakeInstanceRequest(const std::optional<std::string>& absoluteFile);
// The file of a request; nullopt for "show". Returns false for anything else.
bool ParseInstanceRequest(const std::string& request, std::optional<std::string>& file);

}  // namespace rollscribe
