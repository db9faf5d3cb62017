// The install document's reading rules: lines, keys, payload fields, refusals,
// payload loading and the default destination.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/UserMessages.h"
#include "install/InstallDocument.h"

namespace install {
namespace {

// The shipped document, CR LF line ends, no line end after the last line.
const std::string kShipped =
    "//install doc\r\n"
    "//pit - path to install (default)\r\n"
    "//pit types: pf-program files; ps-photoshop plug in; wn-windows dir\r\n"
    "\r\n"
    "pit=pf\r\n"
    "\r\n"
    "name=Tolvik Pellumar 1.0 Setup\r\n"
    "\r\n"
    "regrecord=Pellumar\r\n"
    "deffolder=Tolvik\\Pellumar\r\n"
    "groupname=Tolvik Pellumar 1.0\r\n"
    "\r\n"
    "//data to install, name of external file,pit,create icon in start menu,create icon on desktop,shortcut name\r\n"
    "\r\n"
    "prg,Pellumar.exe,pit,t,t,Tolvik Pellumar 1.0\r\n"
    "lic,License.txt,pit,t,f,License & Reg.Information";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
    }
    return text;
}

// Record and group lines that every document needs, before the case's own lines.
std::string WithNames(const std::string& lines) { return "regrecord=R\ngroupname=G\n" + lines; }

class RecordingDisplay final : public NumberDisplay {
public:
    void DrawNumber(int n) override { numbers.push_back(n); }
    std::vector<int> numbers;
};

class TableSource final : public DocumentSource {
public:
    std::optional<std::string> document;
    std::map<std::string, std::string, std::less<>> nodes;
    std::vector<std::string> reads;

    bool ReadText(std::string_view path, std::string& text) override {
        reads.emplace_back(path);
        if (path != "Data.idoc" || !document) return false;
        text = *document;
        return true;
    }
    bool ReadBinarySize(std::string_view path, std::uint32_t& size) override {
        reads.emplace_back(path);
        const auto found = nodes.find(path);
        if (found == nodes.end()) return false;
        size = static_cast<std::uint32_t>(found->second.size());
        return true;
    }
};

class MessageCapture {
public:
    MessageCapture() {
        framework::SetMessageSink([this](std::string_view text, framework::MessageIcon icon) {
            texts.emplace_back(text);
            icons.push_back(icon);
        });
    }
    ~MessageCapture() { framework::SetMessageSink({}); }
    std::vector<std::string> texts;
    std::vector<framework::MessageIcon> icons;
};

ProgramFilesLookup Fixed(std::optional<std::string> folder) {
    return [folder] { return folder; };
}

TEST(InstallDocumentParse, ShippedDocument) {
    InstallDocument doc;
    doc.Parse(kShipped);
    EXPECT_FALSE(doc.IsDamaged()) << doc.DamageReason();
    EXPECT_EQ(doc.productName, "Tolvik Pellumar 1.0 Setup");
    EXPECT_EQ(doc.registryRecord, "Pellumar");
    EXPECT_EQ(doc.defaultFolder, "Tolvik\\Pellumar");
    EXPECT_EQ(doc.groupName, "Tolvik Pellumar 1.0");
    EXPECT_EQ(doc.installPathType, FolderKind::ProgramFiles);
    ASSERT_EQ(doc.entries.size(), 2u);
    const PayloadEntry& prg = doc.entries[0];
    EXPECT_EQ(prg.key, "prg");
    EXPECT_EQ(prg.fileName, "Pellumar.exe");
    EXPECT_EQ(prg.folderKind, FolderKind::InstallFolder);
    EXPECT_TRUE(prg.startMenuShortcut);
    EXPECT_TRUE(prg.desktopShortcut);
    EXPECT_EQ(prg.shortcutName, "Tolvik Pellumar 1.0");
    EXPECT_EQ(prg.line, 15);
    const PayloadEntry& lic = doc.entries[1];
    EXPECT_EQ(lic.key, "lic");
    EXPECT_EQ(lic.fileName, "License.txt");
    EXPECT_EQ(lic.folderKind, FolderKind::InstallFolder);
    EXPECT_TRUE(lic.startMenuShortcut);
    EXPECT_FALSE(lic.desktopShortcut);
    EXPECT_EQ(lic.shortcutName, "License & Reg.Information");
    EXPECT_EQ(lic.line, 16);
}

TEST(InstallDocumentParse, EveryLineEndReadsAlike) {
    const std::vector<std::string> variants = {
        Replace(kShipped, "\r\n", "\n"),
        Replace(kShipped, "\r\n", "\r"),
        Replace(kShipped, "\r\n", "\r\n\r\n\n\r"),  // blank lines anywhere
        "\n\n" + kShipped + "\r\n\r\n",
        Replace(kShipped, "\r\n", "\t \r\n  "),  // blanks around every line
    };
    InstallDocument shipped;
    shipped.Parse(kShipped);
    for (const std::string& text : variants) {
        InstallDocument doc;
        doc.Parse(text);
        EXPECT_FALSE(doc.IsDamaged()) << doc.DamageReason();
        EXPECT_EQ(doc.productName, shipped.productName);
        EXPECT_EQ(doc.registryRecord, shipped.registryRecord);
        EXPECT_EQ(doc.defaultFolder, shipped.defaultFolder);
        EXPECT_EQ(doc.groupName, shipped.groupName);
        EXPECT_EQ(doc.installPathType, shipped.installPathType);
        ASSERT_EQ(doc.entries.size(), 2u);
        EXPECT_EQ(doc.entries[0].shortcutName, "Tolvik Pellumar 1.0");
        EXPECT_EQ(doc.entries[1].shortcutName, "License & Reg.Information");
    }
}

TEST(InstallDocumentParse, KeyLines) {
    struct Case {
        std::string lines;
        std::string productName;
        std::size_t entries;
    };
    const Case cases[] = {
        {"   name=X   ", "X", 0},
        {"\t\v\fname=X\f\v\t", "X", 0},
        {"name= X", " X", 0},
        {"name=", "", 0},
        {"name=A//B", "A//B", 0},
        {"name=first\nname=second", "second", 0},
        {"  //name=comment", "", 0},
        {"//name=comment\nname=real", "real", 0},
        {"name=A,B,pit,t,t,S", "A,B,pit,t,t,S", 0},
        // Other letter case or a blank before "=" is not a key: a payload line.
        {"Name=X,f.txt,pit,t,t,S", "", 1},
        {"name =X,f.txt,pit,t,t,S", "", 1},
    };
    for (const Case& c : cases) {
        InstallDocument doc;
        doc.Parse(WithNames(c.lines));
        EXPECT_FALSE(doc.IsDamaged()) << c.lines << ": " << doc.DamageReason();
        EXPECT_EQ(doc.productName, c.productName) << c.lines;
        EXPECT_EQ(doc.entries.size(), c.entries) << c.lines;
    }
    InstallDocument doc;
    doc.Parse(WithNames("Name=X,f.txt,pit,t,t,S"));
    ASSERT_EQ(doc.entries.size(), 1u);
    EXPECT_EQ(doc.entries[0].key, "Name=X");
}

TEST(InstallDocumentParse, OtherKeysKeepTheirValues) {
    InstallDocument doc;
    doc.Parse("regrecord=Tolvik\\Pellumar\ngroupname= Group \ndeffolder=\ndeffolder=A\\B ");
    EXPECT_FALSE(doc.IsDamaged()) << doc.DamageReason();
    EXPECT_EQ(doc.registryRecord, "Tolvik\\Pellumar");
    EXPECT_EQ(doc.groupName, " Group");  // the line's end is trimmed, the value's start is not
    EXPECT_EQ(doc.defaultFolder, "A\\B");
}

TEST(InstallDocumentParse, PathType) {
    struct Case {
        std::string lines;
        std::optional<FolderKind> expected;
    };
    const Case cases[] = {
        {"pit=pf", FolderKind::ProgramFiles},
        {"pit=ps", FolderKind::PluginFolder},
        {"pit=wn", FolderKind::WindowsFolder},
        {"pit=pfx", FolderKind::ProgramFiles},
        {"pit=PF", std::nullopt},
        {"pit=p", std::nullopt},
        {"pit=", std::nullopt},
        {"pit= pf", std::nullopt},
        {"pit=pit", std::nullopt},  // "pit" is a payload folder word only
        {"pit=wn\npit=xx", FolderKind::WindowsFolder},
        {"pit=wn\npit=pf", FolderKind::ProgramFiles},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        InstallDocument doc;
        doc.Parse(WithNames(c.lines));
        EXPECT_FALSE(doc.IsDamaged()) << c.lines;
        EXPECT_EQ(doc.installPathType, c.expected) << c.lines;
        EXPECT_TRUE(doc.entries.empty()) << c.lines;
    }
}

TEST(InstallDocumentParse, PayloadFields) {
    struct Case {
        std::string line;
        std::string key, fileName;
        FolderKind kind;
        bool startMenu, desktop;
        std::string shortcutName;
    };
    const Case cases[] = {
        {"prg,Pellumar.exe,pit,t,t,S", "prg", "Pellumar.exe", FolderKind::InstallFolder, true, true, "S"},
        {"prg,,Pellumar.exe,pit,t,t,S", "prg", "Pellumar.exe", FolderKind::InstallFolder, true, true, "S"},
        {"prg,Pellumar.exe,,,pit,,t,,,t,,S,,,", "prg", "Pellumar.exe", FolderKind::InstallFolder, true, true, "S"},
        {"prg, Pellumar.exe,pit,T,t,S", "prg", " Pellumar.exe", FolderKind::InstallFolder, false, true, "S"},
        {"a,b.txt,wn,true,f,S", "a", "b.txt", FolderKind::WindowsFolder, false, false, "S"},
        {"a,b.txt,ps,f,t ,S", "a", "b.txt", FolderKind::PluginFolder, false, false, "S"},
        {"a,b.txt,pf,f,f,S,extra,fields", "a", "b.txt", FolderKind::ProgramFiles, false, false, "S"},
        {"a,b.txt,pit,t,f, Name, with blanks ,x", "a", "b.txt", FolderKind::InstallFolder, true, false,
         " Name"},
        {"a,sub\\b.txt,pit,f,f,S", "a", "sub\\b.txt", FolderKind::InstallFolder, false, false, "S"},
        {",b.txt,pit,f,f,S", "", "b.txt", FolderKind::InstallFolder, false, false, "S"},
        {"a,b.txt,pit,f,f,Docs\\Readme", "a", "b.txt", FolderKind::InstallFolder, false, false, "Docs\\Readme"},
    };
    for (const Case& c : cases) {
        InstallDocument doc;
        doc.Parse(WithNames(c.line));
        EXPECT_FALSE(doc.IsDamaged()) << c.line << ": " << doc.DamageReason();
        ASSERT_EQ(doc.entries.size(), 1u) << c.line;
        const PayloadEntry& e = doc.entries[0];
        EXPECT_EQ(e.key, c.key) << c.line;
        EXPECT_EQ(e.fileName, c.fileName) << c.line;
        EXPECT_EQ(e.folderKind, c.kind) << c.line;
        EXPECT_EQ(e.startMenuShortcut, c.startMenu) << c.line;
        EXPECT_EQ(e.desktopShortcut, c.desktop) << c.line;
        EXPECT_EQ(e.shortcutName, c.shortcutName) << c.line;
        EXPECT_EQ(e.line, 3) << c.line;
    }
}

TEST(InstallDocumentParse, PayloadRefusals) {
    struct Case {
        std::string line;
        std::string reason;  // found in the message after "Install document, line 3: "
    };
    const Case cases[] = {
        {"prg,Pellumar.exe,pit,t,t",
         "a payload line needs six fields: key, file name, folder, start menu, desktop, shortcut name."},
        {"prg,Pellumar.exe,pit,t,t,,,", "a payload line needs six fields"},
        {"prg", "a payload line needs six fields"},
        {"prg,Pellumar.exe,PIT,t,t,S", "\"PIT\" is not a folder (pit, pf, ps or wn)."},
        {"prg,Pellumar.exe, pit,t,t,S", "\" pit\" is not a folder"},
        {"prg,..\\Pellumar.exe,pit,f,f,S", "the file name \"..\\Pellumar.exe\" must stay inside its folder"},
        {"prg,sub\\..\\..\\x.exe,pit,f,f,S", "must stay inside its folder"},
        {"prg,a/../../x.exe,pit,f,f,S", "must stay inside its folder"},
        {"prg,\\Windows\\x.exe,pit,f,f,S", "must stay inside its folder"},
        {"prg,/x.exe,pit,f,f,S", "must stay inside its folder"},
        {"prg,C:\\x.exe,pit,f,f,S", "the file name \"C:\\x.exe\" holds one of < > : \" | ? * or a control character."},
        {"prg,C:x.exe,pit,f,f,S", "holds one of"},
        {"prg,x.exe:stream,pit,f,f,S", "holds one of"},
        {"prg,sub\\,pit,f,f,S", "must stay inside its folder"},
        {"prg,sub\\.\\x.exe,pit,f,f,S", "must stay inside its folder"},
        // Names Windows does not take literally: a device, or a name it shortens.
        {"prg,NUL.txt,pit,f,f,S", "the file name \"NUL.txt\" names the device NUL."},
        {"prg,sub\\com1,pit,f,f,S", "the file name \"sub\\com1\" names the device COM1."},
        {"prg,Lpt9.tar.gz,pit,f,f,S", "names the device LPT9."},
        {"prg,con .txt,pit,f,f,S", "names the device CON."},
        {"prg,COM\xB9.log,pit,f,f,S", "names the device COM\xB9."},
        {"prg,License.txt.,pit,f,f,S",
         "the file name \"License.txt.\" has a part ending in a dot or a blank, which Windows drops."},
        {"prg,License.txt ,pit,f,f,S", "has a part ending in a dot or a blank"},
        {"prg,Docs.\\x.txt,pit,f,f,S", "has a part ending in a dot or a blank"},
        {"prg,a<b.txt,pit,f,f,S", "holds one of"},
        {"prg,a|b.txt,pit,f,f,S", "holds one of"},
        {"prg,a?.txt,pit,f,f,S", "holds one of"},
        {"prg,a\x1f.txt,pit,f,f,S", "holds one of"},
        {"prg,a\\" + std::string(256, 'n') + ",pit,f,f,S", "has a part longer than 255 characters."},
        {"prg,x.exe,pit,t,f, ,y", "a shortcut is asked for but its name is empty."},
        {"prg,x.exe,pit,f,t,\t,y", "a shortcut is asked for but its name is empty."},
        {"prg,x.exe,pit,t,f,..\\..\\x", "the shortcut name \"..\\..\\x\" must be one name, without \\ or /."},
        {"prg,x.exe,pit,f,t,a/b", "must be one name"},
        {"prg,x.exe,pit,f,t,COM1", "the shortcut name \"COM1\" names the device COM1."},
        {"prg,x.exe,pit,t,f,Readme.", "has a part ending in a dot or a blank"},
        {"prg,x.exe,pit,t,f,Read:me", "holds one of"},
    };
    for (const Case& c : cases) {
        InstallDocument doc;
        doc.Parse(WithNames(c.line + "\nname=After"));
        EXPECT_TRUE(doc.IsDamaged()) << c.line;
        EXPECT_EQ(doc.DamageReason().rfind("Install document, line 3: ", 0), 0u) << doc.DamageReason();
        EXPECT_NE(doc.DamageReason().find(c.reason), std::string::npos) << c.line << ": " << doc.DamageReason();
        EXPECT_TRUE(doc.entries.empty()) << c.line;
        EXPECT_EQ(doc.productName, "After") << c.line;  // the rest is still read
    }
}

TEST(InstallDocumentParse, NamesCloseToTheRefusedOnesAreAccepted) {
    const std::string longest(255, 'n');
    const std::string lines[] = {
        "a,NULL.txt,pit,t,t,CONSOLE",
        "a,COM0.txt,pit,t,t,COM10",
        "a,LPT,pit,t,t,AUX1",
        "a,my.nul,pit,t,t,Version 1..2",
        "a,sub\\" + longest + ",pit,t,t," + longest,
        "a, leading blank.txt,pit,t,t,.hidden",
    };
    for (const std::string& line : lines) {
        InstallDocument doc;
        doc.Parse(WithNames(line));
        EXPECT_FALSE(doc.IsDamaged()) << line << ": " << doc.DamageReason();
        EXPECT_EQ(doc.entries.size(), 1u) << line;
    }
}

TEST(InstallDocumentParse, BlankShortcutNameWithoutShortcutsIsAccepted) {
    InstallDocument doc;
    doc.Parse(WithNames("prg,x.exe,pit,f,f, ,y"));
    EXPECT_FALSE(doc.IsDamaged()) << doc.DamageReason();
    ASSERT_EQ(doc.entries.size(), 1u);
    EXPECT_EQ(doc.entries[0].shortcutName, " ");
}

TEST(InstallDocumentParse, DamagedLineIsNumberedWhateverTheLineEnds) {
    const std::string broken = Replace(kShipped, "prg,Pellumar.exe,pit,t,t,Tolvik Pellumar 1.0", "prg,Pellumar.exe");
    for (const std::string& text : {broken, Replace(broken, "\r\n", "\n"), Replace(broken, "\r\n", "\r")}) {
        InstallDocument doc;
        doc.Parse(text);
        EXPECT_EQ(doc.DamageReason().rfind("Install document, line 15: ", 0), 0u) << doc.DamageReason();
        ASSERT_EQ(doc.entries.size(), 1u);
        EXPECT_EQ(doc.entries[0].key, "lic");
    }
}

TEST(InstallDocumentParse, FirstProblemIsTheOneReported) {
    InstallDocument doc;
    doc.Parse(WithNames("a,b.txt,xx,t,t,S\nc,d.txt,pit,t\ne,f.txt,pit,t,t,S"));
    EXPECT_EQ(doc.DamageReason(), "Install document, line 3: \"xx\" is not a folder (pit, pf, ps or wn).");
    ASSERT_EQ(doc.entries.size(), 1u);
    EXPECT_EQ(doc.entries[0].key, "e");
}

TEST(InstallDocumentParse, RecordAndGroupNamesAreRequired) {
    struct Case {
        std::string text;
        std::string reason;  // empty: accepted
    };
    const Case cases[] = {
        {"regrecord=R\ngroupname=G", ""},
        {"regrecord=Tolvik\\Sub\ngroupname=G\ndeffolder=Tolvik\\Pellumar", ""},
        // The group is one folder under the Start menu's Programs: the uninstaller
        // removes one folder there, so a nested group is refused.
        {"regrecord=R\ngroupname=A\\B",
         "Install document, line 2: the program group \"A\\B\" must be one name, without \\ or /."},
        {"regrecord=R\ngroupname=G\ndeffolder=..\\..\\Windows\\System32",
         "Install document, line 3: the default folder \"..\\..\\Windows\\System32\" must stay inside its folder"},
        {"regrecord=R\ngroupname=G\ndeffolder=C:\\Windows", "Install document, line 3: the default folder"},
        {"regrecord=R\ngroupname=G\ndeffolder=", "Install document, line 3: the default folder \"\" is empty."},
        {"regrecord=R\ngroupname=G\ndeffolder=Tolvik\\Pellumar.", "Install document, line 3: the default folder"},
        {"regrecord=R\ngroupname=AUX", "Install document, line 2: the program group \"AUX\" names the device AUX."},
        {"regrecord=R\ngroupname=Group.", "Install document, line 2: the program group"},
        {"regrecord=NUL\ngroupname=G",
         "Install document, line 1: the uninstall record name \"NUL\" names the device NUL."},
        {"groupname=G", "Install document: there is no \"regrecord=\" line naming the uninstall record."},
        {"regrecord=R", "Install document: there is no \"groupname=\" line naming the program group."},
        {"regrecord=\ngroupname=G",
         "Install document, line 1: the uninstall record name \"\" is empty."},
        {"regrecord=A\\\\B\ngroupname=G", "Install document, line 1: the uninstall record name"},
        {"regrecord=\\A\ngroupname=G", "Install document, line 1: the uninstall record name"},
        {"regrecord=A\\\ngroupname=G", "Install document, line 1: the uninstall record name"},
        {"regrecord=R\ngroupname=", "Install document, line 2: the program group \"\" is empty."},
        {"regrecord=R\n\ngroupname=..\\..", "Install document, line 3: the program group"},
        {"regrecord=R\ngroupname=C:\\Windows", "Install document, line 2: the program group"},
    };
    for (const Case& c : cases) {
        InstallDocument doc;
        doc.Parse(c.text);
        if (c.reason.empty()) {
            EXPECT_FALSE(doc.IsDamaged()) << c.text << ": " << doc.DamageReason();
        } else {
            EXPECT_EQ(doc.DamageReason().rfind(c.reason, 0), 0u) << c.text << ": " << doc.DamageReason();
        }
    }
}

TEST(InstallDocumentDefaults, DestinationFor) {
    struct Case {
        std::optional<FolderKind> type;
        std::optional<std::string> programFiles;
        std::string folder;
        std::string expected;
    };
    const Case cases[] = {
        {FolderKind::ProgramFiles, "C:\\Program Files", "Tolvik\\Pellumar", "C:\\Program Files\\Tolvik\\Pellumar"},
        {FolderKind::ProgramFiles, "D:\\Apps\\", "Tolvik", "D:\\Apps\\Tolvik"},
        {FolderKind::ProgramFiles, std::nullopt, "Tolvik", "C:\\Program Files\\Tolvik"},
        {FolderKind::ProgramFiles, "", "Tolvik", "C:\\Program Files\\Tolvik"},
        {FolderKind::ProgramFiles, "%ProgramFiles%", "T", "%ProgramFiles%\\T"},  // used as stored
        {FolderKind::ProgramFiles, "C:\\Program Files", "", "C:\\Program Files\\"},
        {std::nullopt, "E:\\PF", "T", "E:\\PF\\T"},
        {FolderKind::PluginFolder, "C:\\Program Files", "T", ""},
        {FolderKind::WindowsFolder, "C:\\Program Files", "T", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InstallDocument::DefaultDestinationFor(c.type, c.programFiles, c.folder), c.expected)
            << c.folder << " " << c.programFiles.value_or("(none)");
    }
}

class InstallDocumentLoad : public ::testing::Test {
protected:
    void SetUp() override {
        source.document = kShipped;
        source.nodes["Data.prg"] = std::string(716800, 'p');
        source.nodes["Data.lic"] = std::string(1217, 'l');
    }
    TableSource source;
    RecordingDisplay display;
    MessageCapture messages;
};

TEST_F(InstallDocumentLoad, ShippedContainer) {
    InstallDocument doc;
    doc.Load(source, display, Fixed("C:\\Program Files"));
    EXPECT_FALSE(doc.IsDamaged()) << doc.DamageReason();
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(doc.requiredKilobytes, 701u);
    EXPECT_EQ(display.numbers, std::vector<int>{701});
    EXPECT_EQ(doc.defaultDestination, "C:\\Program Files\\Tolvik\\Pellumar");
    ASSERT_EQ(doc.entries.size(), 2u);
    EXPECT_EQ(doc.entries[0].size, 716800u);
    EXPECT_EQ(doc.entries[1].size, 1217u);
    // The document is read once and every payload's size once, in document order.
    EXPECT_EQ(source.reads, (std::vector<std::string>{"Data.idoc", "Data.prg", "Data.lic"}));
}

TEST_F(InstallDocumentLoad, KilobytesDropTheRemainder) {
    source.nodes["Data.prg"] = std::string(1023, 'p');
    source.nodes["Data.lic"] = std::string(1, 'l');
    InstallDocument doc;
    doc.Load(source, display, Fixed(std::nullopt));
    EXPECT_EQ(doc.requiredKilobytes, 1u);
    source.nodes["Data.lic"] = "";
    doc.Load(source, display, Fixed(std::nullopt));
    EXPECT_EQ(doc.requiredKilobytes, 0u);
    EXPECT_EQ(display.numbers, (std::vector<int>{1, 0}));
}

TEST_F(InstallDocumentLoad, UnreadableDocumentLeavesEverythingEmptyAndSilent) {
    source.document.reset();
    InstallDocument doc;
    doc.productName = "stale";
    doc.Load(source, display, Fixed("C:\\Program Files"));
    EXPECT_TRUE(doc.IsDamaged());
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_TRUE(display.numbers.empty());
    EXPECT_EQ(doc.productName, "");
    EXPECT_EQ(doc.defaultDestination, "");
    EXPECT_TRUE(doc.entries.empty());
    EXPECT_EQ(source.reads, std::vector<std::string>{"Data.idoc"});
}

TEST_F(InstallDocumentLoad, MissingPayloadNodeIsReportedOnceWithItsLine) {
    source.nodes.erase("Data.prg");
    InstallDocument doc;
    doc.Load(source, display, Fixed("C:\\Program Files"));
    EXPECT_TRUE(doc.IsDamaged());
    EXPECT_EQ(messages.texts,
              std::vector<std::string>{"Install document, line 15: the data \"Data.prg\" could not be read."});
    EXPECT_EQ(messages.icons, std::vector<framework::MessageIcon>{framework::MessageIcon::Exclamation});
    ASSERT_EQ(doc.entries.size(), 1u);
    EXPECT_EQ(doc.entries[0].key, "lic");
    // What could be read is still shown.
    EXPECT_EQ(doc.requiredKilobytes, 1u);
    EXPECT_EQ(display.numbers, std::vector<int>{1});
    EXPECT_EQ(doc.defaultDestination, "C:\\Program Files\\Tolvik\\Pellumar");
    EXPECT_EQ(doc.productName, "Tolvik Pellumar 1.0 Setup");
}

TEST_F(InstallDocumentLoad, SeveralProblemsMakeOneMessage) {
    source.document = Replace(kShipped, "lic,License.txt,pit,t,f", "lic,License.txt,xx,t,f");
    source.nodes.erase("Data.prg");
    InstallDocument doc;
    doc.Load(source, display, Fixed(std::nullopt));
    EXPECT_EQ(messages.texts, std::vector<std::string>{
                                  "Install document, line 16: \"xx\" is not a folder (pit, pf, ps or wn)."});
    EXPECT_TRUE(doc.entries.empty());
}

TEST_F(InstallDocumentLoad, DefaultDestinationByPathType) {
    struct Case {
        std::string pitLine;
        std::string expected;
        int lookups;
    };
    const Case cases[] = {
        {"pit=pf", "D:\\PF\\Tolvik\\Pellumar", 1},
        {"pit=wn", "", 0},
        {"pit=ps", "", 0},
        {"", "D:\\PF\\Tolvik\\Pellumar", 1},  // no "pit=": the Program Files default
    };
    for (const Case& c : cases) {
        source.document = Replace(kShipped, "pit=pf", c.pitLine);
        int lookups = 0;
        InstallDocument doc;
        doc.Load(source, display, [&lookups]() -> std::optional<std::string> {
            ++lookups;
            return "D:\\PF";
        });
        EXPECT_EQ(doc.defaultDestination, c.expected) << c.pitLine;
        EXPECT_EQ(lookups, c.lookups) << c.pitLine;
        EXPECT_FALSE(doc.IsDamaged()) << c.pitLine;
    }
}

TEST_F(InstallDocumentLoad, LoadingAgainStartsAfresh) {
    InstallDocument doc;
    doc.Load(source, display, Fixed(std::nullopt));
    source.document = WithNames("name=Second");
    doc.Load(source, display, Fixed(std::nullopt));
    EXPECT_EQ(doc.productName, "Second");
    EXPECT_TRUE(doc.entries.empty());
    EXPECT_EQ(doc.requiredKilobytes, 0u);
    EXPECT_EQ(doc.registryRecord, "R");
    EXPECT_EQ(doc.defaultFolder, "");
}

}  // namespace
}  // namespace install
