#include <gtk/gtk.h>
#include <sys/stat.h>
#include <wx/filehistory.h>
#include <wx/uiaction.h>

#include "GuiHarness.h"
#include "app/AppSettings.h"
#include "resources/CommandIds.h"
#include "support/ShellRun.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace rollscribe::gui_test;
using testing_support::ReadFile;
using testing_support::Slurp;
using testing_support::WriteFile;

namespace {

class Opening : public GuiTest {
  protected:
    bool HasLine(const std::string& line) {
        std::vector<std::string> lines = ViewLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    // File Open with the file chosen in the open dialog.
    void OpenThroughDialog(const fs::path& file) {
        wxTEST_DIALOG(Frame().ProcessCommand(cmd::kOpen), ChooseFile(file));
    }
};

TEST_F(Opening, FileOpenConvertsASecondRoll) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("first")));
    fs::path second = m_rolls.AddRoll("second");
    testing_support::WriteFile(m_rolls.Path("second.ann"), "/title: The Second Roll\n");
    ChooseFile choice(second);
    wxTEST_DIALOG(Frame().ProcessCommand(cmd::kOpen), choice);
    EXPECT_EQ(Utf8(*choice.Wildcard()),
              "Rollsc Files (*.bar)|*.[bB][aA][rR];*.[wW][eE][bB]|All Files (*)|*");
    EXPECT_EQ(Caption(), "second.bar - Rollscribe");
    EXPECT_TRUE(HasLine(" Title : The Second Roll"));
    EXPECT_TRUE(HasLine(" This File : " + second.string()));
    EXPECT_FALSE(HasLine(" Title : Evening Waltz"));
    EXPECT_TRUE(fs::exists(m_rolls.Path("second_BAR_e.mid")));
    EXPECT_EQ(RecentFileLabels(),
              (std::vector<std::string>{"&1 " + second.string(),
                                        "&2 " + m_rolls.Path("first.bar").string()}));
}

// What the open dialog lists under its first file type, as GTK applies it to file names.
class ListedNames : public wxExpectModalBase<wxFileDialog, ListedNames> {
  public:
    using Names = std::vector<std::pair<std::string, bool>>;
    ListedNames(std::vector<std::string> names, std::shared_ptr<Names> listed,
                std::shared_ptr<std::string> filterName)
        : m_names(std::move(names)), m_listed(std::move(listed)), m_filterName(filterName) {}

  protected:
    int OnInvoked(wxFileDialog* dialog) const override {
        GtkFileFilter* filter = gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(dialog->GetHandle()));
        if (!filter) return wxID_CANCEL;
        *m_filterName = gtk_file_filter_get_name(filter);
        for (const std::string& name : m_names) {
            GtkFileFilterInfo info{};
            info.contains = static_cast<GtkFileFilterFlags>(GTK_FILE_FILTER_DISPLAY_NAME |
                                                            GTK_FILE_FILTER_FILENAME);
            info.display_name = name.c_str();
            info.filename = name.c_str();
            m_listed->emplace_back(name, gtk_file_filter_filter(filter, &info));
        }
        return wxID_CANCEL;
    }
    wxString GetDefaultDescription() const override { return "the open dialog"; }

  private:
    std::vector<std::string> m_names;
    std::shared_ptr<Names> m_listed;
    std::shared_ptr<std::string> m_filterName;
};

TEST_F(Opening, TheOpenDialogListsRollFilesInAnyLetterCaseAndWebRolls) {
    ASSERT_TRUE(Start());
    const ListedNames::Names expected = {
        {"x123.bar", true},   {"ROLL.BAR", true},  {"Roll.Bar", true},
        {"waltz.web", true},  {"WALTZ.WEB", true}, {"waltz.mid", false},
        {"waltz.ann", false}, {"bar", false},      {"roll.bar.txt", false},
    };
    std::vector<std::string> names;
    for (const auto& [name, listed] : expected) names.push_back(name);
    auto listed = std::make_shared<ListedNames::Names>();
    auto filterName = std::make_shared<std::string>();
    wxTEST_DIALOG(Frame().ProcessCommand(cmd::kOpen), ListedNames(names, listed, filterName));
    EXPECT_EQ(*filterName, "Rollsc Files (*.bar)");
    EXPECT_EQ(*listed, expected);
}

TEST_F(Opening, CancellingTheDialogChangesNothing) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("kept")));
    wxTEST_DIALOG(Frame().ProcessCommand(cmd::kOpen), wxExpectModal<wxFileDialog>("", wxID_CANCEL));
    EXPECT_EQ(Caption(), "kept.bar - Rollscribe");
    EXPECT_TRUE(HasLine(" Title : Evening Waltz"));
}

TEST_F(Opening, ARejectedFileKeepsThePreviousRollsTexts) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("waltz")));
    WriteFile(m_rolls.Path("waltz.mid"), "MThd");
    OpenThroughDialog(m_rolls.Path("waltz.mid"));
    EXPECT_EQ(Caption(), "waltz.mid - Rollscribe");
    EXPECT_EQ(ViewLine(1), " File Info : *** Invalid File Type *** BAR/WEB files only - ");
    EXPECT_TRUE(HasLine(" This File : " + m_rolls.Path("waltz.mid").string()));
    EXPECT_TRUE(HasLine(" Title : Evening Waltz"));
    EXPECT_EQ(ReadFile(m_rolls.Path("waltz.mid")), testing_support::BytesOf("MThd"));
    EXPECT_FALSE(MenuEnabled(cmd::kSaveAs));
}

TEST_F(Opening, AFailedLoadShowsOneMessageAndTheWindowStaysUsable) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("good")));
    WriteFile(m_rolls.Path("short.bar"), "BA");
    ExpectMessageBox box;
    bool opened = true;
    wxTEST_DIALOG(opened = Manager().OpenRollFile(m_rolls.Path("short.bar").string()), box);
    EXPECT_FALSE(opened);
    std::string text = Utf8(*box.Text());
    EXPECT_NE(text.find(m_rolls.Path("short.bar").string()), std::string::npos) << text;
    // The view shows the messages gathered up to the failure, and the caption names that file.
    EXPECT_EQ(Caption(), "short.bar - Rollscribe");
    EXPECT_TRUE(HasLine(" This File : " + m_rolls.Path("short.bar").string()));
    EXPECT_EQ(Manager().GetHistoryFilesCount(), 1u);
    EXPECT_FALSE(fs::exists(m_rolls.Path("short_BAR_e.mid")));
    EXPECT_FALSE(MenuEnabled(cmd::kSaveAs));

    // Still usable: the next open works.
    ASSERT_TRUE(Manager().OpenRollFile(m_rolls.AddRoll("next").string()));
    EXPECT_EQ(Caption(), "next.bar - Rollscribe");
    EXPECT_TRUE(MenuEnabled(cmd::kSaveAs));
}

TEST_F(Opening, AnOutputThatCannotBeWrittenNamesTheOutputAndKeepsItsOldContents) {
    ASSERT_TRUE(Start());
    fs::path roll = m_rolls.AddRoll("locked");
    fs::create_directory(m_rolls.Path("locked_BAR_e.mid"));
    ExpectMessageBox box;
    wxTEST_DIALOG(Manager().OpenRollFile(roll.string()), box);
    std::string text = Utf8(*box.Text());
    EXPECT_NE(text.find(roll.string()), std::string::npos) << text;
    EXPECT_NE(text.find(m_rolls.Path("locked_BAR_e.mid").string()), std::string::npos) << text;
    EXPECT_TRUE(fs::is_directory(m_rolls.Path("locked_BAR_e.mid")));
    EXPECT_EQ(Caption(), "locked.bar - Rollscribe");
    EXPECT_TRUE(HasLine(" This File : " + roll.string()));
    EXPECT_TRUE(HasLine(" Title : Evening Waltz"));  // read before the output failed
    EXPECT_FALSE(MenuEnabled(cmd::kSaveAs));
}

// After any open, failed or not, the caption names the file that the view's report is about: a
// file that could not be read at all leaves both with the earlier roll (whose MIDI file Save As
// still copies); one that failed during the conversion has its messages up to the failure on
// screen, and its name in the caption.
TEST_F(Opening, AfterAFailedOpenTheCaptionNamesTheFileWhoseReportIsShown) {
    struct Case {
        const char* what;
        std::function<fs::path(RollFolder&)> make;  // the file to open
        bool reportIsTheFailedFiles;
    };
    const std::vector<Case> cases = {
        {"missing", [](RollFolder& r) { return r.Path("missing.bar"); }, false},
        {"a folder",
         [](RollFolder& r) {
             fs::create_directory(r.Path("folder.bar"));
             return r.Path("folder.bar");
         },
         false},
        {"shorter than its header",
         [](RollFolder& r) {
             WriteFile(r.Path("short.bar"), "BA");
             return r.Path("short.bar");
         },
         true},
        {"output blocked",
         [](RollFolder& r) {
             fs::create_directory(r.Path("blocked_BAR_e.mid"));
             return r.AddRoll("blocked");
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Start(m_rolls.AddRoll("earlier")));
        fs::path file = c.make(m_rolls);
        ExpectMessageBox box;
        bool opened = true;
        wxTEST_DIALOG(opened = Manager().OpenRollFile(file.string()), box);
        EXPECT_FALSE(opened);
        fs::path shown = c.reportIsTheFailedFiles ? file : m_rolls.Path("earlier.bar");
        EXPECT_EQ(Caption(), shown.filename().string() + " - Rollscribe");
        EXPECT_TRUE(HasLine(" This File : " + shown.string())) << ViewLine(3);
        EXPECT_EQ(RecentFileLabels(),
                  std::vector<std::string>{"&1 " + m_rolls.Path("earlier.bar").string()});
        EXPECT_EQ(MenuEnabled(cmd::kSaveAs), !c.reportIsTheFailedFiles);
        if (std::string(c.what) == "output blocked") {
            Frame().SetSize(900, 620);
            Pump(100ms);
            SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "failed-open.png");
        }
        Stop();
        Pump();
    }
}

TEST_F(Opening, RecentFilesKeepTheFourNewestAcrossARestart) {
    ASSERT_TRUE(Start());
    std::vector<fs::path> rolls;
    for (const char* name : {"one", "two", "three", "four", "five"}) {
        rolls.push_back(m_rolls.AddRoll(name));
        ASSERT_TRUE(Manager().OpenRollFile(rolls.back().string()));
    }
    // Opening one already listed moves it to the top.
    ASSERT_TRUE(Manager().OpenRollFile(rolls[2].string()));
    const std::vector<std::string> expected = {"&1 " + rolls[2].string(), "&2 " + rolls[4].string(),
                                               "&3 " + rolls[3].string(),
                                               "&4 " + rolls[1].string()};
    EXPECT_EQ(RecentFileLabels(), expected);

    Stop();
    // Written with the user's file mode, atomically (no temporary file left beside it).
    struct stat st {};
    std::string settings = Utf8(CAppSettings::FilePath());
    ASSERT_EQ(::stat(settings.c_str(), &st), 0) << settings;
    mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);
    EXPECT_EQ(testing_support::ListDir(fs::path(settings).parent_path()),
              std::vector<std::string>{"rollscribe.conf"});

    ASSERT_TRUE(Start());
    EXPECT_EQ(RecentFileLabels(), expected);
    EXPECT_TRUE(MenuEnabled(cmd::kRecentFile1 + 3));

    // Choosing an entry opens it as File Open does.
    Frame().ProcessCommand(cmd::kRecentFile1 + 2);
    EXPECT_EQ(Caption(), "four.bar - Rollscribe");
    EXPECT_EQ(RecentFileLabels().front(), "&1 " + rolls[3].string());
}

TEST_F(Opening, ARecentFileThatNoLongerOpensLeavesTheList) {
    ASSERT_TRUE(Start());
    fs::path gone = m_rolls.AddRoll("gone");
    fs::path kept = m_rolls.AddRoll("kept");
    ASSERT_TRUE(Manager().OpenRollFile(gone.string()));
    ASSERT_TRUE(Manager().OpenRollFile(kept.string()));
    fs::remove(gone);
    ExpectMessageBox box;
    wxTEST_DIALOG(Frame().ProcessCommand(cmd::kRecentFile1 + 1), box);
    EXPECT_NE(Utf8(*box.Text()).find(gone.string()), std::string::npos);
    EXPECT_EQ(RecentFileLabels(), std::vector<std::string>{"&1 " + kept.string()});
    EXPECT_EQ(Caption(), "kept.bar - Rollscribe");
}

TEST_F(Opening, ADamagedSettingsFileOnlyLosesTheList) {
    fs::path settings = Utf8(CAppSettings::FilePath());
    fs::create_directories(settings.parent_path());
    WriteFile(settings, std::string("\x01\xFF[[[ not settings\n=\n[", 22));
    ASSERT_TRUE(Start());
    EXPECT_EQ(RecentFileLabels(), std::vector<std::string>{"Recent File"});
    ASSERT_TRUE(Manager().OpenRollFile(m_rolls.AddRoll("after").string()));
    EXPECT_EQ(RecentFileLabels().size(), 1u);
}

TEST_F(Opening, FileNewGoesBackToTheResetValues) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("waltz")));
    Frame().ProcessCommand(cmd::kNew);
    EXPECT_EQ(Caption(), "Untitled - Rollscribe");
    EXPECT_EQ(ViewLine(1), " File Info : Select BAR file to convert.");
    EXPECT_TRUE(HasLine(" Title : Roll Title Info"));
    EXPECT_TRUE(HasLine(" BAR file Steps per Inch : 400"));
    EXPECT_FALSE(MenuEnabled(cmd::kSaveAs));
}

TEST_F(Opening, DroppedFilesOpenAsFileOpenDoes) {
    ASSERT_TRUE(Start());
    fs::path a = m_rolls.AddRoll("dropped_a");
    fs::path b = m_rolls.AddRoll("dropped_b");
    auto* files = new wxString[2]{wxString::FromUTF8(a.string()), wxString::FromUTF8(b.string())};
    wxDropFilesEvent drop(wxEVT_DROP_FILES, 2, files);  // the event owns the names
    Frame().GetEventHandler()->ProcessEvent(drop);
    EXPECT_TRUE(fs::exists(m_rolls.Path("dropped_a_BAR_e.mid")));
    EXPECT_TRUE(fs::exists(m_rolls.Path("dropped_b_BAR_e.mid")));
    EXPECT_EQ(Caption(), "dropped_b.bar - Rollscribe");
    EXPECT_EQ(RecentFileLabels(),
              (std::vector<std::string>{"&1 " + b.string(), "&2 " + a.string()}));
}

// A window that offers a file as a file manager does when it is dragged: as a text/uri-list.
class DragSource {
  public:
    explicit DragSource(const fs::path& file) {
        gchar* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
        m_uri = uri;
        g_free(uri);
        m_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_default_size(GTK_WINDOW(m_window), 80, 80);
        gtk_window_move(GTK_WINDOW(m_window), 1100, 900);
        GtkWidget* area = gtk_event_box_new();
        gtk_container_add(GTK_CONTAINER(m_window), area);
        GtkTargetEntry target = {const_cast<gchar*>("text/uri-list"), 0, 0};
        gtk_drag_source_set(area, GDK_BUTTON1_MASK, &target, 1, GDK_ACTION_COPY);
        g_signal_connect(area, "drag-data-get", G_CALLBACK(OnDataGet), &m_uri);
        gtk_widget_show_all(m_window);
    }
    ~DragSource() { gtk_widget_destroy(m_window); }
    DragSource(const DragSource&) = delete;
    DragSource& operator=(const DragSource&) = delete;

    wxPoint Middle() const {
        int x = 0;
        int y = 0;
        gdk_window_get_origin(gtk_widget_get_window(m_window), &x, &y);
        return {x + 40, y + 40};
    }

    // Drags the file from this window to a point of the screen and lets go there.
    void DropAt(wxPoint to) const {
        wxUIActionSimulator mouse;
        wxPoint from = Middle();
        mouse.MouseMove(from);
        Pump(50ms);
        mouse.MouseDown();
        Pump(50ms);
        for (int step = 1; step <= 20; ++step) {
            mouse.MouseMove(from + (to - from) * step / 20);
            Pump(20ms);
        }
        Pump(100ms);
        mouse.MouseUp();
        Pump(200ms);
    }

  private:
    static void OnDataGet(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint,
                          gpointer uri) {
        gchar* uris[] = {const_cast<gchar*>(static_cast<std::string*>(uri)->c_str()), nullptr};
        gtk_selection_data_set_uris(data, uris);
    }

    std::string m_uri;
    GtkWidget* m_window;
};

// A file dragged onto any part of the window opens: the menu bar, either band, the view and the
// status bar.
TEST_F(Opening, AFileDroppedAnywhereOnTheWindowOpens) {
    ASSERT_TRUE(Start());
    Frame().SetSize(900, 620);
    Frame().Move(0, 0);
    Pump(100ms);
    auto middleOf = [](wxWindow* window, int dx = 0) {
        wxRect r = window->GetScreenRect();
        return wxPoint(r.x + (dx ? dx : r.width / 2), r.y + r.height / 2);
    };
    const std::vector<std::pair<std::string, wxPoint>> places = {
        {"menu_bar", middleOf(Frame().GetMenuBar(), Frame().GetMenuBar()->GetSize().x - 40)},
        {"tool_bar", middleOf(ToolBar())},
        {"dialog_bar", middleOf(DialogBar())},
        {"view", middleOf(Frame().ViewWindow())},
        {"status_bar", middleOf(Frame().GetStatusBar(), 40)},
    };
    for (const auto& [place, at] : places) {
        SCOPED_TRACE(place);
        fs::path roll = m_rolls.AddRoll("dropped_on_" + place);
        DragSource source(roll);
        Pump(100ms);
        source.DropAt(at);
        EXPECT_TRUE(
            PumpUntil([&] { return Caption() == roll.filename().string() + " - Rollscribe"; }, 3s))
            << Caption();
        EXPECT_TRUE(fs::exists(m_rolls.Path("dropped_on_" + place + "_BAR_e.mid")));
    }
    Pump(100ms);
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "dropped-on-status-bar.png");
}

TEST_F(Opening, NamesWithAmpersandsAndNonAsciiBytes) {
    ASSERT_TRUE(Start());
    fs::path roll = m_rolls.AddRoll("Rock & Roll \xC3\xA9t\xC3\xA9");
    ASSERT_TRUE(Manager().OpenRollFile(roll.string()));
    EXPECT_EQ(Caption(), "Rock & Roll \xC3\xA9t\xC3\xA9.bar - Rollscribe");
    // In the menu the "&" is doubled so that it shows as written.
    EXPECT_EQ(RecentFileLabels(), std::vector<std::string>{"&1 " + m_rolls.Dir().string() +
                                                           "/Rock && Roll \xC3\xA9t\xC3\xA9.bar"});
    // In the view a single "&" is a mnemonic prefix, as everywhere in the report.
    EXPECT_TRUE(
        HasLine(" This File : " + m_rolls.Dir().string() + "/Rock  Roll \xC3\xA9t\xC3\xA9.bar"));
}

TEST_F(Opening, SaveAsWritesACopyOfTheConvertedMidiFile) {
    ASSERT_TRUE(Start());
    EXPECT_FALSE(MenuEnabled(cmd::kSave));
    EXPECT_FALSE(MenuEnabled(cmd::kSaveAs));
    fs::path roll = m_rolls.AddRoll("song");
    ASSERT_TRUE(Manager().OpenRollFile(roll.string()));
    EXPECT_FALSE(MenuEnabled(cmd::kSave));
    EXPECT_TRUE(MenuEnabled(cmd::kSaveAs));

    fs::path copy = m_rolls.Path("copy of song.mid");
    wxTEST_DIALOG(Frame().ProcessCommand(cmd::kSaveAs), ChooseFile(copy));
    EXPECT_EQ(ReadFile(copy), ReadFile(m_rolls.Path("song_BAR_e.mid")));
    EXPECT_EQ(Caption(), "song.bar - Rollscribe");  // a copy: the document stays the roll

    // Over a file that is there: No goes back to the dialog, Yes replaces it.
    WriteFile(copy, "kept");
    auto question = std::make_shared<wxString>();
    fs::path other = m_rolls.Path("other.mid");
    wxTEST_DIALOG(Frame().ProcessCommand(cmd::kSaveAs), ChooseFile(copy),
                  ExpectMessageBox(question, wxID_NO), ChooseFile(other));
    EXPECT_EQ(Utf8(*question), copy.string() + "\nalready exists. Do you want to replace it?");
    EXPECT_EQ(Slurp(copy), "kept");
    EXPECT_EQ(ReadFile(other), ReadFile(m_rolls.Path("song_BAR_e.mid")));
    wxTEST_DIALOG(Frame().ProcessCommand(cmd::kSaveAs), ChooseFile(copy),
                  ExpectMessageBox(question, wxID_YES));
    EXPECT_EQ(ReadFile(copy), ReadFile(m_rolls.Path("song_BAR_e.mid")));

    // The roll and its annotation file are refused before anything is asked (the only box is
    // the refusal); they keep their bytes.
    testing_support::Bytes rollBytes = ReadFile(roll);
    testing_support::Bytes annBytes = ReadFile(m_rolls.Path("song.ann"));
    for (const fs::path& target : {roll, m_rolls.Path("song.ann")}) {
        ExpectMessageBox box;
        wxTEST_DIALOG(Frame().ProcessCommand(cmd::kSaveAs), ChooseFile(target), box);
        EXPECT_NE(Utf8(*box.Text()).find(target.string()), std::string::npos);
    }
    EXPECT_EQ(ReadFile(roll), rollBytes);
    EXPECT_EQ(ReadFile(m_rolls.Path("song.ann")), annBytes);

    // Save writes nothing, even when asked by its key.
    Frame().ProcessCommand(cmd::kSave);
    wxCommandEvent save(wxEVT_MENU, cmd::kSave);
    Frame().GetEventHandler()->ProcessEvent(save);
    EXPECT_EQ(ReadFile(roll), rollBytes);
}

}  // namespace
