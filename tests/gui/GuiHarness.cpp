#include "GuiHarness.h"

#include <gtk/gtk.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <wx/filehistory.h>
#include <wx/menu.h>
#include <wx/stdpaths.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <thread>

#include "support/ReportText.h"
#include "support/TestFiles.h"
#include "text/WxText.h"
#include "ui/CViewWindow.h"
#include "ui/ReportLayout.h"

extern char** environ;

namespace fs = std::filesystem;

namespace rollscribe::gui_test {

CRollscribeApp& App() {
    return *static_cast<CRollscribeApp*>(wxTheApp);
}

std::string Utf8(const wxString& text) {
    return text.utf8_string();
}

void Pump(std::chrono::milliseconds atLeast) {
    auto end = std::chrono::steady_clock::now() + atLeast;
    do {
        wxTheApp->Yield(true);
        wxTheApp->ProcessPendingEvents();
        while (wxTheApp->ProcessIdle()) {
        }
        if (std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(5ms);
    } while (std::chrono::steady_clock::now() < end);
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        Pump(10ms);
    }
    return true;
}

int ChooseFile::OnInvoked(wxFileDialog* dialog) const {
    *m_wildcard = dialog->GetWildcard();
    wxString path = wxString::FromUTF8(m_file.string());
    dialog->SetPath(path);
    bool chosen = PumpUntil([&] { return dialog->GetPath() == path; }, 5s);
    EXPECT_TRUE(chosen) << "the file dialog did not take " << m_file << "; it has "
                        << Utf8(dialog->GetPath());
    return wxID_OK;
}

int ChooseFolder::OnInvoked(wxDirDialog* dialog) const {
    // The toolkit's folder dialog gives the folder only as the user accepts it: the native
    // chooser selects the folder (once it has read its parent) and is accepted.
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog->GetHandle());
    const std::string path = m_folder.string();
    gtk_file_chooser_select_filename(chooser, path.c_str());
    bool chosen = PumpUntil(
        [&] {
            gchar* selected = gtk_file_chooser_get_filename(chooser);
            const bool same = selected && path == selected;
            g_free(selected);
            return same;
        },
        5s);
    EXPECT_TRUE(chosen) << "the folder dialog did not take " << m_folder;
    gtk_dialog_response(GTK_DIALOG(dialog->GetHandle()), GTK_RESPONSE_ACCEPT);
    return wxID_OK;
}

RollFolder::RollFolder() = default;

fs::path RollFolder::AddRoll(const std::string& name) {
    fs::copy_file(fs::path(EXAMPLES_DIR) / "evening_waltz.bar", m_dir / (name + ".bar"),
                  fs::copy_options::overwrite_existing);
    fs::copy_file(fs::path(EXAMPLES_DIR) / "evening_waltz.ann", m_dir / (name + ".ann"),
                  fs::copy_options::overwrite_existing);
    return m_dir / (name + ".bar");
}

void GuiTest::SetUp() {
    ::setenv("XDG_CONFIG_HOME", m_config.Path().c_str(), 1);
    // Settings a test writes before the program first starts go where the program reads them.
    wxStandardPaths::Get().SetFileLayout(wxStandardPaths::FileLayout_XDG);
}

void GuiTest::TearDown() {
    Stop();
    Pump();
    EXPECT_TRUE(wxTopLevelWindows.empty()) << "a window outlived the program";
}

bool GuiTest::Start(const std::optional<fs::path>& file) {
    std::optional<std::string> bytes;
    if (file) bytes = file->string();
    bool started = App().InitInstance(bytes);
    Pump();
    // The pointer over the report, where an earlier test may have left it over the picture (whose
    // status-bar text would stand for the one a test looks for); over the window, so that keys
    // reach it on a display without a window manager.
    if (CMainFrame* frame = App().MainFrame(); frame && frame->IsShown()) {
        wxUIActionSimulator().MouseMove(frame->ViewWindow()->GetScreenPosition() + wxPoint(40, 30));
        Pump();
    }
    return started;
}

void GuiTest::Stop() {
    App().ExitInstance();
}

CMainFrame& GuiTest::Frame() {
    CMainFrame* frame = App().MainFrame();
    if (!frame) throw std::runtime_error("the program has no window");
    return *frame;
}

CRollscribeDocManager& GuiTest::Manager() {
    auto* manager = dynamic_cast<CRollscribeDocManager*>(wxDocManager::GetDocumentManager());
    if (!manager) throw std::runtime_error("the program has no document manager");
    return *manager;
}

CRollWxDocument& GuiTest::Doc() {
    CRollWxDocument* doc = RollDocumentOf(&Manager());
    if (!doc) throw std::runtime_error("the program has no document");
    return *doc;
}

wxAuiManager& GuiTest::Panes() {
    wxAuiManager* panes = wxAuiManager::GetManager(&Frame());
    if (!panes) throw std::runtime_error("the window has no panes");
    return *panes;
}

wxAuiToolBar* GuiTest::ToolBar() {
    return dynamic_cast<wxAuiToolBar*>(Panes().GetPane(CMainFrame::kToolBarPane).window);
}

wxAuiToolBar* GuiTest::DialogBar() {
    return dynamic_cast<wxAuiToolBar*>(Panes().GetPane(CMainFrame::kDialogBarPane).window);
}

CRollscribeView& GuiTest::View() {
    auto* view = dynamic_cast<CRollscribeView*>(Doc().GetFirstView());
    if (!view) throw std::runtime_error("the document has no view");
    return *view;
}

std::string GuiTest::Caption() {
    return Utf8(Frame().GetTitle());
}

std::vector<std::string> GuiTest::ViewLines() {
    std::vector<std::string> lines;
    constexpr auto kAll = std::numeric_limits<std::size_t>::max();
    for (const ReportLine& line : View().ReportLines(kAll, kAll))
        lines.push_back(Utf8(WxFromChars(testing_support::ShownText(line))));
    return lines;
}

std::string GuiTest::ViewLine(size_t i) {
    std::vector<std::string> lines = ViewLines();
    return i < lines.size() ? lines[i] : "<no line " + std::to_string(i) + ">";
}

bool GuiTest::MenuEnabled(int id) {
    Frame().DoMenuUpdates();
    wxMenuItem* item = Frame().GetMenuBar()->FindItem(id);
    if (!item) throw std::runtime_error("no menu item " + std::to_string(id));
    return item->IsEnabled();
}

bool GuiTest::ToolEnabled(int id) {
    wxIdleEvent idle;
    ToolBar()->ProcessWindowEvent(idle);
    if (!ToolBar()->FindTool(id)) throw std::runtime_error("no tool " + std::to_string(id));
    return ToolBar()->GetToolEnabled(id);
}

std::vector<std::string> GuiTest::RecentFileLabels() {
    wxMenu* file = Frame().GetMenuBar()->GetMenu(0);
    std::vector<std::string> labels;
    bool inside = false;
    for (wxMenuItem* item : file->GetMenuItems()) {
        if (item->IsSeparator()) {
            if (inside) break;
            inside = true;
            continue;
        }
        if (inside) labels.push_back(Utf8(item->GetItemLabel()));
    }
    return labels;
}

std::string GuiTest::StatusText(int pane) {
    return Utf8(Frame().GetStatusBar()->GetStatusText(pane));
}

bool AnyWindowOnScreen() {
    for (wxWindow* window : wxTopLevelWindows) {
        if (gtk_widget_get_mapped(window->GetHandle())) return true;
    }
    return false;
}

WindowImage ScreenImage(const wxRect& area) {
    WindowImage image;
    GdkPixbuf* pixels = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), area.x, area.y,
                                                   area.width, area.height);
    if (!pixels) return image;
    image.width = gdk_pixbuf_get_width(pixels);
    image.height = gdk_pixbuf_get_height(pixels);
    const int channels = gdk_pixbuf_get_n_channels(pixels);
    const int stride = gdk_pixbuf_get_rowstride(pixels);
    const guchar* data = gdk_pixbuf_get_pixels(pixels);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const guchar* p = data + y * stride + x * channels;
            image.pixels.push_back(static_cast<std::uint32_t>(p[0]) << 16 | p[1] << 8 | p[2]);
        }
    }
    g_object_unref(pixels);
    return image;
}

void SaveScreenImage(const wxRect& area, const fs::path& file) {
    fs::create_directories(file.parent_path());
    GdkPixbuf* image = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), area.x, area.y,
                                                  area.width, area.height);
    ASSERT_NE(image, nullptr);
    GError* error = nullptr;
    EXPECT_TRUE(gdk_pixbuf_save(image, file.c_str(), "png", &error, nullptr)) << file;
    if (error) g_error_free(error);
    g_object_unref(image);
}

WindowImage DrawnImage(wxWindow* window) {
    GtkWidget* widget = window->GetHandle();
    WindowImage image;
    image.width = gtk_widget_get_allocated_width(widget);
    image.height = gtk_widget_get_allocated_height(widget);
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width, image.height);
    cairo_t* cr = cairo_create(surface);
    gtk_widget_draw(widget, cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < image.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        for (int x = 0; x < image.width; ++x) image.pixels.push_back(row[x] & 0xFFFFFF);
    }
    cairo_surface_destroy(surface);
    return image;
}

bool WindowImage::HasInk(int x0, int y0, int x1, int y1) const {
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y) {
        for (int x = std::max(0, x0); x < std::min(width, x1); ++x) {
            const std::uint32_t p = At(x, y);
            const unsigned sum = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
            if (sum < 3 * 128) return true;
        }
    }
    return false;
}

size_t DifferingPixels(const WindowImage& a, const WindowImage& b) {
    if (a.width != b.width || a.height != b.height)
        return std::max(a.pixels.size(), b.pixels.size());
    size_t differing = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) differing += a.pixels[i] != b.pixels[i];
    return differing;
}

wxPoint ScreenMiddleOf(GtkWidget* widget) {
    int x = 0;
    int y = 0;
    gdk_window_get_origin(gtk_widget_get_window(widget), &x, &y);
    GtkAllocation where;
    gtk_widget_get_allocation(widget, &where);
    return {x + where.x + where.width / 2, y + where.y + where.height / 2};
}

void SaveWindowImage(wxWindow* window, const fs::path& file) {
    fs::create_directories(file.parent_path());
    GtkWidget* widget = window->GetHandle();
    int width = gtk_widget_get_allocated_width(widget);
    int height = gtk_widget_get_allocated_height(widget);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    gtk_widget_draw(widget, cr);
    cairo_destroy(cr);
    cairo_status_t status = cairo_surface_write_to_png(surface, file.c_str());
    cairo_surface_destroy(surface);
    EXPECT_EQ(status, CAIRO_STATUS_SUCCESS) << file;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::map<std::string, std::string>& env) {
    std::map<std::string, std::string> all;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        std::size_t eq = entry.find('=');
        if (eq != std::string::npos) all[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [key, value] : env) all[key] = value;
    std::vector<std::string> envStrings;
    for (const auto& [key, value] : all) envStrings.push_back(key + "=" + value);
    std::vector<char*> envp;
    for (std::string& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = argv;
    std::vector<char*> argp;
    for (std::string& s : args) argp.push_back(s.data());
    argp.push_back(nullptr);
    if (::posix_spawn(&m_pid, argp[0], nullptr, nullptr, argp.data(), envp.data()) != 0) {
        m_pid = -1;
        ADD_FAILURE() << "cannot start " << argv[0];
    }
}

ChildProcess::~ChildProcess() {
    if (m_pid > 0 && !m_status) {
        ::kill(m_pid, SIGKILL);
        int raw = 0;
        ::waitpid(m_pid, &raw, 0);
    }
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds limit) {
    if (m_pid <= 0 || m_status) return m_status;
    auto end = std::chrono::steady_clock::now() + limit;
    do {
        int raw = 0;
        if (::waitpid(m_pid, &raw, WNOHANG) == m_pid) {
            m_status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            return m_status;
        }
        // The program under test may be the one this process must answer.
        Pump(10ms);
    } while (std::chrono::steady_clock::now() < end);
    return std::nullopt;
}

void ChildProcess::Signal(int signal) {
    if (m_pid > 0 && !m_status) ::kill(m_pid, signal);
}

}  // namespace rollscribe::gui_test
