#include <gtk/gtk.h>
#include <wx/filehistory.h>
#include <wx/stattext.h>

#include "GuiHarness.h"
#include "resources/CommandIds.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace rollscribe::gui_test;

namespace {

class Startup : public GuiTest {};

TEST_F(Startup, WithoutAFileShowsTheResetDocument) {
    ASSERT_TRUE(Start());
    EXPECT_TRUE(Frame().IsShown());
    EXPECT_EQ(Caption(), "Untitled - Rollscribe");
    const std::vector<std::string> expected = {
        "",
        " File Info : Select BAR file to convert.",
        " ",
        " This File : ",
        " Roll MFR : Roll MFGR - Generic",
        " Roll Number : Roll Number Info",
        " Title : Roll Title Info",
        " Composer : Composer Info",
        " Performer : Performer Info",
        " Tempo : 100",
        " BAR file Steps per Inch : 400",
    };
    EXPECT_EQ(ViewLines(), expected);
    EXPECT_EQ(StatusText(0), "Ready");
    EXPECT_EQ(RecentFileLabels(), std::vector<std::string>{"Recent File"});
    EXPECT_FALSE(MenuEnabled(cmd::kRecentFile1));
}

TEST_F(Startup, WithARollConvertsItBeforeTheWindowShows) {
    fs::path roll = m_rolls.AddRoll("evening");
    ASSERT_TRUE(Start(roll));
    EXPECT_EQ(Caption(), "evening.bar - Rollscribe");
    EXPECT_TRUE(fs::exists(m_rolls.Path("evening_BAR_e.mid")));
    EXPECT_EQ(ViewLine(1), " File Info : Select BAR file to convert.");
    EXPECT_EQ(ViewLine(2), " ** Reading ANN file : " + m_rolls.Path("evening.ann").string());
    std::vector<std::string> lines = ViewLines();
    auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has(" This File : " + roll.string()));
    EXPECT_TRUE(has(" Title : Evening Waltz"));
    EXPECT_TRUE(has(" Composer : Hanna Lindqvist"));
    EXPECT_TRUE(has(" Tempo : 80"));
    EXPECT_TRUE(has(m_rolls.Path("evening_BAR_e.mid").string()));
    EXPECT_EQ(RecentFileLabels(), std::vector<std::string>{"&1 " + roll.string()});
}

TEST_F(Startup, ARelativeNameOpensAsTheFullPath) {
    fs::path roll = m_rolls.AddRoll("relative");
    fs::path before = fs::current_path();
    fs::current_path(m_rolls.Dir());
    bool started = Start(fs::path("relative.bar"));
    fs::current_path(before);
    ASSERT_TRUE(started);
    EXPECT_EQ(Caption(), "relative.bar - Rollscribe");
    EXPECT_EQ(Manager().GetHistoryFile(0).utf8_string(), roll.string());
}

// A name that is not UTF-8 reaches the load as the bytes given: the roll is read and its MIDI
// file written under the same bytes; only the caption and the report show it decoded.
TEST_F(Startup, ANameThatIsNotUtf8OpensByItsBytes) {
    const std::string name = "caf\xE9 \xFF";
    fs::path roll = m_rolls.AddRoll(name);
    ASSERT_TRUE(Start(roll));
    EXPECT_TRUE(fs::exists(m_rolls.Path(name + "_BAR_e.mid")));
    EXPECT_EQ(Caption(), "caf\xC3\xA9 \xC3\xBF.bar - Rollscribe");
    EXPECT_EQ(ViewLine(2),
              " ** Reading ANN file : " + m_rolls.Dir().string() + "/caf\xC3\xA9 \xC3\xBF.ann");
    EXPECT_EQ(RecentFileLabels(), std::vector<std::string>{"&1 " + m_rolls.Dir().string() +
                                                           "/caf\xC3\xA9 \xC3\xBF.bar"});
    // The list keeps the bytes: choosing the entry opens the same file again.
    fs::remove(m_rolls.Path(name + "_BAR_e.mid"));
    Frame().ProcessCommand(cmd::kRecentFile1);
    EXPECT_TRUE(fs::exists(m_rolls.Path(name + "_BAR_e.mid")));
}

TEST_F(Startup, AFileOfAnotherTypeStartsAndShowsTheInvalidTypeMessage) {
    testing_support::WriteFile(m_rolls.Path("notes.txt"), "not a roll");
    ASSERT_TRUE(Start(m_rolls.Path("notes.txt")));
    EXPECT_EQ(Caption(), "notes.txt - Rollscribe");
    EXPECT_EQ(ViewLine(1), " File Info : *** Invalid File Type *** BAR/WEB files only - ");
    EXPECT_EQ(ViewLine(3), " This File : " + m_rolls.Path("notes.txt").string());
}

TEST_F(Startup, AFileThatCannotBeOpenedIsReportedAndEndsTheProgram) {
    ExpectMessageBox box;
    bool started = true;
    wxTEST_DIALOG(started = Start(m_rolls.Path("missing.bar")), box);
    EXPECT_FALSE(started);
    EXPECT_FALSE(*box.WindowShown()) << "the main window was shown before the file was opened";
    EXPECT_NE(Utf8(*box.Text()).find(m_rolls.Path("missing.bar").string()), std::string::npos)
        << Utf8(*box.Text());
    EXPECT_NE(Utf8(*box.Text()).find("No such file or directory"), std::string::npos)
        << Utf8(*box.Text());
    EXPECT_EQ(App().MainFrame(), nullptr);
    Pump();
    EXPECT_TRUE(wxTopLevelWindows.empty());
}

TEST_F(Startup, ARollShorterThanItsHeaderEndsTheProgram) {
    testing_support::WriteFile(m_rolls.Path("short.bar"), "BA");
    ExpectMessageBox box;
    bool started = true;
    wxTEST_DIALOG(started = Start(m_rolls.Path("short.bar")), box);
    EXPECT_FALSE(started);
    EXPECT_NE(Utf8(*box.Text()).find(m_rolls.Path("short.bar").string()), std::string::npos);
    EXPECT_FALSE(fs::exists(m_rolls.Path("short_BAR_e.mid")));
}

TEST_F(Startup, BarsAndTexts) {
    ASSERT_TRUE(Start());
    wxAuiToolBar* tools = ToolBar();
    ASSERT_EQ(tools->GetToolCount(), 11u);
    const int expected[] = {cmd::kNew,   cmd::kOpen, cmd::kSave,  -1, cmd::kCut,  cmd::kCopy,
                            cmd::kPaste, -1,         cmd::kPrint, -1, cmd::kAbout};
    for (size_t i = 0; i < 11; ++i) {
        wxAuiToolBarItem* item = tools->FindToolByIndex(static_cast<int>(i));
        if (expected[i] < 0) {
            EXPECT_EQ(item->GetKind(), wxITEM_SEPARATOR) << i;
        } else {
            EXPECT_EQ(item->GetId(), expected[i]) << i;
        }
    }
    EXPECT_EQ(Utf8(tools->FindTool(cmd::kOpen)->GetShortHelp()), "Open");
    EXPECT_EQ(Utf8(tools->FindTool(cmd::kOpen)->GetLongHelp()), "Open an existing document");
    EXPECT_EQ(Utf8(tools->FindTool(cmd::kAbout)->GetShortHelp()), "About");

    // Both bands along the top, in one row, the tool bar first, each with a gripper.
    wxAuiPaneInfo& toolPane = Panes().GetPane(tools);
    wxAuiPaneInfo& dialogPane = Panes().GetPane(DialogBar());
    EXPECT_EQ(toolPane.dock_direction, wxAUI_DOCK_TOP);
    EXPECT_EQ(dialogPane.dock_direction, wxAUI_DOCK_TOP);
    EXPECT_EQ(toolPane.dock_row, dialogPane.dock_row);
    EXPECT_LT(toolPane.dock_pos, dialogPane.dock_pos);
    EXPECT_TRUE(tools->GetGripperVisible());
    EXPECT_TRUE(DialogBar()->GetGripperVisible());
    EXPECT_LT(tools->GetPosition().x, DialogBar()->GetPosition().x);
    ASSERT_EQ(DialogBar()->GetToolCount(), 1u);
    auto* line = dynamic_cast<wxStaticText*>(DialogBar()->FindToolByIndex(0)->GetWindow());
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(Utf8(line->GetLabel())
                  .rfind("BAR/ANN to Vellum MIDI file converter - BETA version March 8, 2004", 0),
              0u);

    // The message pane and the three indicators, then the playing position.
    EXPECT_EQ(Frame().GetStatusBar()->GetFieldsCount(), 5);
    const wxMenuBar* bar = Frame().GetMenuBar();
    ASSERT_EQ(bar->GetMenuCount(), 5u);
    EXPECT_EQ(Utf8(bar->GetMenuLabel(0)), "&File");
    EXPECT_EQ(Utf8(bar->GetMenuLabel(1)), "&Edit");
    EXPECT_EQ(Utf8(bar->GetMenuLabel(2)), "&View");
    EXPECT_EQ(Utf8(bar->GetMenuLabel(3)), "&Roll");
    EXPECT_EQ(Utf8(bar->GetMenuLabel(4)), "&Help");
    EXPECT_EQ(Utf8(bar->GetLabel(cmd::kOpen)), "&Open...\tCtrl+O");
    EXPECT_EQ(Utf8(bar->GetLabel(cmd::kSaveAs)), "Save &As...");
    EXPECT_EQ(Utf8(bar->GetLabel(cmd::kCut)), "Cu&t\tCtrl+X");
    EXPECT_EQ(Utf8(bar->GetLabel(cmd::kAbout)), "&About Rollscribe...");
    EXPECT_EQ(Utf8(bar->GetHelpString(cmd::kExit)),
              "Quit the application; prompts to save documents");
}

// The key that a menu item shows beside its label (and that chooses it), 0 for none.
guint KeyShownFor(GtkWidget* item, GdkModifierType& modifiers) {
    guint key = 0;
    GList* closures = gtk_widget_list_accel_closures(item);
    for (GList* c = closures; c && key == 0; c = c->next) {
        auto* closure = static_cast<GClosure*>(c->data);
        GtkAccelGroup* group = gtk_accel_group_from_accel_closure(closure);
        if (!group) continue;
        GtkAccelKey* found = gtk_accel_group_find(
            group, [](GtkAccelKey*, GClosure* cl, gpointer data) -> gboolean { return cl == data; },
            closure);
        if (found) {
            key = found->accel_key;
            modifiers = found->accel_mods;
        }
    }
    g_list_free(closures);
    return key;
}

// The menus as the window system shows them: each item's label, and the key the toolkit shows
// beside it, which must be the item's own and nothing else.
TEST_F(Startup, MenusAndTheirKeys) {
    ASSERT_TRUE(Start());
    const std::vector<std::vector<std::string>> menus = {
        {"&New\tCtrl+N", "&Open...\tCtrl+O", "&Save\tCtrl+S", "Save &As...", "-", "Recent File",
         "-", "E&xit"},
        {"&Undo\tCtrl+Z", "-", "Cu&t\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V"},
        {"&Toolbar", "&Status Bar", "&Roll Picture", "Roll Tool &Bar", "-", "T&aller Lanes",
         "Sh&orter Lanes", "Lanes to &Fit"},
        {"&Play\tSpace", "MIDI Ou&tput", "-", "Zoom &In\tCtrl++", "Zoom &Out\tCtrl+-",
         "&Whole Roll\tCtrl+0", "-", "Open &MIDI File", "Show in &Folder", "-", "&Copy Report",
         "&Export Picture...", "-", "E&xpression", "Roll &System", "Output Fol&der..."},
        {"&User Guide", "&About Rollscribe..."},
    };
    const wxMenuBar* bar = Frame().GetMenuBar();
    ASSERT_EQ(bar->GetMenuCount(), menus.size());
    for (size_t m = 0; m < menus.size(); ++m) {
        const wxMenuItemList& items = bar->GetMenu(m)->GetMenuItems();
        ASSERT_EQ(items.size(), menus[m].size()) << m;
        size_t i = 0;
        for (const wxMenuItem* item : items) {
            const std::string& want = menus[m][i++];
            if (want == "-") {
                EXPECT_TRUE(item->IsSeparator()) << m << " " << i;
                continue;
            }
            EXPECT_EQ(Utf8(item->GetItemLabel()), want);
            GdkModifierType modifiers{};
            guint key = KeyShownFor(item->GetMenuItem(), modifiers);
            std::size_t tab = want.find('\t');
            if (tab == std::string::npos) {
                EXPECT_EQ(key, 0u) << want << " shows a key it does not have";
            } else if (want.substr(tab + 1) == "Space") {
                EXPECT_EQ(key, static_cast<guint>(GDK_KEY_space)) << want;
                EXPECT_EQ(modifiers & GDK_MODIFIER_MASK, 0u) << want;
            } else {
                EXPECT_EQ(gdk_keyval_to_upper(key), static_cast<guint>(want.back())) << want;
                EXPECT_EQ(modifiers & GDK_MODIFIER_MASK, GDK_CONTROL_MASK) << want;
            }
        }
    }
}

TEST_F(Startup, AboutBox) {
    ASSERT_TRUE(Start());
    struct Seen {
        wxString title;
        std::vector<std::string> texts;
        bool okIsDefault = false;
    };
    auto seen = std::make_shared<Seen>();
    class ExpectAbout : public wxExpectModalBase<wxDialog, ExpectAbout> {
      public:
        explicit ExpectAbout(std::shared_ptr<Seen> seen) : m_seen(std::move(seen)) {}

      protected:
        int OnInvoked(wxDialog* dialog) const override {
            m_seen->title = dialog->GetTitle();
            for (wxWindow* child : dialog->GetChildren()) {
                if (auto* text = dynamic_cast<wxStaticText*>(child))
                    m_seen->texts.push_back(Utf8(text->GetLabel()));
                if (auto* button = dynamic_cast<wxButton*>(child))
                    m_seen->okIsDefault = button->GetId() == wxID_OK &&
                                          dialog->GetDefaultItem() == button &&
                                          Utf8(button->GetLabel()) == "OK";
            }
            // While it is up, a picture of it for people to look at.
            dialog->Show();
            Pump(50ms);
            SaveWindowImage(dialog, std::filesystem::path(SCREENSHOT_DIR) / "about-box.png");
            dialog->Hide();
            return wxID_OK;
        }
        wxString GetDefaultDescription() const override { return "the About box"; }

      private:
        std::shared_ptr<Seen> m_seen;
    };
    wxTEST_DIALOG(Frame().ProcessCommand(cmd::kAbout), ExpectAbout(seen));
    EXPECT_EQ(Utf8(seen->title), "About Rollscribe");
    ASSERT_EQ(seen->texts.size(), 5u);
    EXPECT_EQ(seen->texts[0], "Rollscribe - Beta Version 0.01.0");
    EXPECT_EQ(seen->texts[1], "Feb 25, 2004");
    // The release, below the texts of old.
    EXPECT_EQ(seen->texts[4], "Release " ROLLSCRIBE_VERSION);
    EXPECT_TRUE(seen->okIsDefault);
}

}  // namespace
