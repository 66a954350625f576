// Loading the user skin from skin-library files: which entry is chosen, which files are refused,
// and that a refused file leaves the user skin as it was, unnotified.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "SkinPaintersSupport.h"
#include "tests/ui/core/PaintSurface.h"
#include "ui/core/LookAndFeel.h"
#include "ui/core/PainterRegistry.h"

namespace {
class UserSkinLoad : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(UserSkinInfo(), nullptr); }
    void TearDown() override { RestoreUserSkin(); }
    TdxSkin* Skin() { return UserSkinInfo()->Skin; }
};

// A pack whose stored skin name is empty.
std::string NamelessPack() {
    TdxSkin skin("DadavAzodo", GetModuleHandle(nullptr), true);
    skin.Name.clear();
    return SkinBytes(skin);
}

} // namespace

TEST_F(UserSkinLoad, ContainersAndPlainPacksByTable) {
    const std::string black = PackBytes("Black"), blue = PackBytes("Blue"), dadav = PackBytes("DadavAzodo");
    const std::string three = Container({Entry(black), Entry(blue), Entry(dadav)});
    struct TCase {
        const char* what;
        std::string file;
        const char* asked;
        bool loaded;
        const char* name; // the user skin's name afterwards
    };
    const TCase cases[] = {
        {"third entry", three, "DadavAzodo", true, "DadavAzodo"},
        {"other letter case", three, "dADAVaZODO", true, "DadavAzodo"},
        {"empty name takes the first", three, "", true, "Black"},
        {"no match", three, "Coffee", false, "Office2007Black"},
        {"version 1.0", Container({Entry(dadav)}, 1.0), "DadavAzodo", false, "Office2007Black"},
        {"bad signature", Container({Entry(dadav)}, 1.02, "dxSkip"), "DadavAzodo", false, "Office2007Black"},
        {"count 0", Container({Entry(dadav)}, 1.02, "dxSkin", 0), "DadavAzodo", false, "Office2007Black"},
        {"count negative", Container({Entry(dadav)}, 1.02, "dxSkin", -3), "", false, "Office2007Black"},
        {"count cut short", three.substr(0, 20), "", false, "Office2007Black"},
        {"later entry without header", Container({Entry(black), Entry(std::string(64, 'x')), Entry(dadav)}),
         "DadavAzodo", false, "Office2007Black"},
        {"later entry is a container", Container({Entry(black), Entry(three)}), "DadavAzodo", false,
         "Office2007Black"},
        {"negative size", Container({{black, -4}, Entry(dadav)}), "DadavAzodo", false, "Office2007Black"},
        {"size below a header", Container({{black, 10}, Entry(dadav)}), "DadavAzodo", false,
         "Office2007Black"},
        {"size past the end", Container({{black, 100000000}, Entry(dadav)}), "DadavAzodo", false,
         "Office2007Black"},
        {"plain pack, any name", dadav, "Coffee", true, "DadavAzodo"},
        {"plain pack, empty name", dadav, "", true, "DadavAzodo"},
        {"plain pack without skin name", NamelessPack(), "DadavAzodo", false, "Office2007Black"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        RestoreUserSkin();
        const std::string before = SkinBytes(*Skin());
        TSkinNotificationCounter notifications(Skin());
        TStringStream stream(c.file);
        EXPECT_EQ(LoadUserSkinFromStream(&stream, c.asked), c.loaded);
        EXPECT_EQ(Skin()->Name, c.name);
        if (!c.loaded) {
            EXPECT_EQ(notifications.Count, 0);
            EXPECT_TRUE(SkinBytes(*Skin()) == before);
        } else {
            EXPECT_EQ(notifications.Count, 1);
        }
    }
}

TEST_F(UserSkinLoad, DamagedSelectedPackRaisesItsReaderErrorAndKeepsTheSkin) {
    const std::string dadav = PackBytes("DadavAzodo");
    const std::string cut = dadav.substr(0, dadav.size() / 2);
    const std::string before = SkinBytes(*Skin());
    TStringStream stream(Container({Entry(PackBytes("Black")), Entry(cut)}));
    EXPECT_THROW(LoadUserSkinFromStream(&stream, "DadavAzodo"), EReadError);
    EXPECT_TRUE(SkinBytes(*Skin()) == before);
}

TEST_F(UserSkinLoad, LoadAtAnOffsetReadsThatPack) {
    const std::string black = PackBytes("Black");
    TStringStream stream(Container({Entry(black), Entry(PackBytes("Blue"))}));
    EXPECT_TRUE(LoadUserSkinAt(&stream, 18 + 4 + 4 + static_cast<int64_t>(black.size()) + 4));
    EXPECT_EQ(Skin()->Name, "Blue");
}

namespace {
// A fresh temporary folder as the current directory for one test.
class TTempCurrentDirectory {
public:
    TTempCurrentDirectory() {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        GetCurrentDirectoryA(MAX_PATH, saved_);
        for (int i = 0;; ++i) {
            path_ = std::string(base) + "vzskins" + std::to_string(GetCurrentProcessId()) + "_" +
                    std::to_string(i);
            if (CreateDirectoryA(path_.c_str(), nullptr)) break;
        }
        SetCurrentDirectoryA(path_.c_str());
    }
    ~TTempCurrentDirectory() {
        SetCurrentDirectoryA(saved_);
        DeleteFileA((path_ + "\\UICore.dll").c_str());
        RemoveDirectoryA(path_.c_str());
    }
    const std::string& Path() const { return path_; }

private:
    char saved_[MAX_PATH] = {};
    std::string path_;
};

std::string BuildPath(const std::string& relative) {
    const char* bin = std::getenv("VZ_BINARY_DIR");
    return std::string("Z:") + (bin ? bin : "") + "/" + relative;
}

class TLookAndFeelCounter : public TObject, public IcxLookAndFeelListener {
public:
    TObject* GetListenerObject() override { return this; }
    void LookAndFeelChanged(TcxLookAndFeel*, TcxLookAndFeelValues) override { ++Count; }
    void LookAndFeelDestroying(TcxLookAndFeel*) override {}
    int Count = 0;
};
} // namespace

TEST_F(UserSkinLoad, SkinLibraryFileInTheCurrentDirectory) {
    TTempCurrentDirectory folder;
    ASSERT_TRUE(CopyFileA(BuildPath("resources/skins/UICore.dll").c_str(), "UICore.dll", FALSE));

    TcxLookAndFeel lookAndFeel;
    lookAndFeel.SetSkinName("UserSkin");
    TLookAndFeelCounter listener;
    lookAndFeel.AttachChangeListener(&listener);
    ASSERT_EQ(lookAndFeel.SkinPainter(), TdxSkinsUserSkinPainter::Painter());

    EXPECT_TRUE(LoadUserSkinFromFile("UICore.dll", "DadavAzodo"));
    lookAndFeel.DetachChangeListener(&listener);
    EXPECT_EQ(Skin()->Name, "DadavAzodo");
    EXPECT_EQ(listener.Count, 1);
    // The references lie in the new content.
    TdxSkinControlGroup* form = Skin()->GetGroupByName("Form");
    ASSERT_NE(form, nullptr);
    TdxSkinElement* content = form->GetElementByName("FormContent");
    EXPECT_EQ(UserSkinInfo()->FormContent, content);
    EXPECT_EQ(UserSkinInfo()->ContentColor, Skin()->GetColorByName("ContentColor"));

    TPaintSurface surface(20, 20);
    TdxSkinsUserSkinPainter::Painter()->PaintWindowBackground(&surface.cx, TRect{2, 2, 18, 18});
    EXPECT_EQ(surface.At(10, 10), ColorToRGB(content->Color()));
    EXPECT_EQ(surface.At(0, 0), RGB(255, 255, 255));

    // The same file opened by another reader at the same time.
    HANDLE other = CreateFileA("UICore.dll", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(LoadUserSkinFromFile("UICore.dll", "blue"));
    EXPECT_EQ(Skin()->Name, "Blue");
    CloseHandle(other);
}

TEST_F(UserSkinLoad, MissingSkinLibraryFileRaisesTheFileOpenError) {
    TTempCurrentDirectory folder;
    const std::string before = SkinBytes(*Skin());
    try {
        LoadUserSkinFromFile("UICore.dll", "DadavAzodo");
        ADD_FAILURE() << "no error";
    } catch (const EFOpenError& error) {
        EXPECT_NE(error.Message().find("UICore.dll"), std::string::npos) << error.Message();
    }
    EXPECT_TRUE(SkinBytes(*Skin()) == before);
}
