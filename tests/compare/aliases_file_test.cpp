// Links made by hand in the aliases file: each change touches only the lines it concerns (the
// rest stays byte for byte), a later link undoes an earlier one of either name, and the file is
// replaced only when it may be: never a damaged or read-only one.
#include "compare/aliases_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "compare/aliases.h"
#include "compare/name_words.h"
#include "compare/sport_names.h"
#include "compare/user_aliases.h"
#include "table/cp1251_text.h"

namespace lintaro::compare {
namespace {

using Kind = AliasesChange::Kind;
namespace fs = std::filesystem;

AliasesChange Link(std::string first, std::string second, std::string sport = "Футбол") {
    return {Kind::kLink, {std::move(first), std::move(second), std::move(sport)}};
}
AliasesChange Unlink(std::string first, std::string second, std::string sport = "Футбол") {
    return {Kind::kUnlink, {std::move(first), std::move(second), std::move(sport)}};
}

TEST(AliasesFileTest, ChangesTouchOnlyTheLinesTheyConcern) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<AliasesChange> changes;
        std::string want;
    };
    const std::string mine = "# мои связи\n\nЦСКА\tCSKA Moscow\n";
    const Case cases[] = {
        {"appended to a file of the user's own",
         mine,
         {Link("Спартак", "Spartak Moscow")},
         mine + "Спартак\tSpartak Moscow\tФутбол\n"},
        {"an empty file",
         "",
         {Link("Спартак", "Spartak Moscow")},
         "Спартак\tSpartak Moscow\tФутбол\n"},
        {"a last line without its end gets one", "# x", {Link("А", "A")}, "# x\nА\tA\tФутбол\n"},
        {"CRLF lines stay CRLF",
         "# x\r\nЦСКА\tCSKA\r\n",
         {Link("А", "A")},
         "# x\r\nЦСКА\tCSKA\r\nА\tA\tФутбол\r\n"},
        {"a link there already is not written twice",
         "спартак м.\tSPARTAK MOSCOW\tsoccer\n",
         {Link("Спартак М", "Spartak Moscow")},
         "спартак м.\tSPARTAK MOSCOW\tsoccer\n"},
        {"the later link wins: the earlier of the same first name goes",
         "# keep\nСпартак\tSpartak Moscow\tФутбол\nЗенит\tZenit\tФутбол\n",
         {Link("Спартак", "Spartak Msk")},
         "# keep\nЗенит\tZenit\tФутбол\nСпартак\tSpartak Msk\tФутбол\n"},
        {"the later link wins: the earlier of the same second name goes",
         "Спартак\tSpartak Moscow\tФутбол\n",
         {Link("Спартак Москва", "Spartak Moscow")},
         "Спартак Москва\tSpartak Moscow\tФутбол\n"},
        {"links of other sports and of every sport stay",
         "Спартак\tSpartak Moscow\tхоккей\nСпартак\tSpartak\n",
         {Link("Спартак", "Spartak Msk")},
         "Спартак\tSpartak Moscow\tхоккей\nСпартак\tSpartak\nСпартак\tSpartak Msk\tФутбол\n"},
        {"unlinking removes the sport's line only",
         "# a\nСпартак\tSpartak\nСпартак\tSpartak\tsoccer\r\nЗенит\tZenit\tФутбол\n",
         {Unlink("Спартак", "Spartak")},
         "# a\nСпартак\tSpartak\nЗенит\tZenit\tФутбол\n"},
        {"link then unlink gives the file back",
         mine,
         {Link("Спартак", "Spartak"), Link("Зенит", "Zenit"), Unlink("Спартак", "Spartak"),
          Unlink("Зенит", "Zenit")},
         mine},
        {"a name cannot break its line or start a comment",
         "",
         {Link("#1 Клуб\tX", "Club\n1")},
         "1 Клуб X\tClub 1\tФутбол\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChangeAliasesText(c.text, c.changes), c.want);
        // What was written reads back as the link.
        EXPECT_TRUE(ParseAliases(ChangeAliasesText(c.text, c.changes), "x").error.empty());
    }
}

class AliasesFileOnDiskTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/aliases_test_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(folder_, ec);
    }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void Write(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static bool Linked(const AliasesLoad& load, const char* first, const char* second) {
        return load.aliases.Judge(NormalisedName(table::Utf8ToCp1251(first)),
                                  NormalisedName(table::Utf8ToCp1251(second)),
                                  SportKey(table::Utf8ToCp1251("Футбол"))) ==
               Aliases::Verdict::kLinked;
    }
    fs::path folder_;
};

TEST_F(AliasesFileOnDiskTest, ALinkIsSavedInANewFolderAndReadsBack) {
    const fs::path path = folder_ / "config" / "lintaro" / "aliases.tsv";
    const AliasesChange link = Link("Спартак", "Spartak Moscow");
    const AliasesSave save = SaveAliasesChanges(path.string(), {&link, 1});
    ASSERT_TRUE(save.saved) << save.error;
    const AliasesLoad load = LoadAliases(path.string());
    EXPECT_TRUE(load.error.empty());
    EXPECT_TRUE(Linked(load, "Спартак", "Spartak Moscow"));
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(path.parent_path()), {}), 1);
}

TEST_F(AliasesFileOnDiskTest, AFileThatMayNotChangeIsLeftAsItIs) {
    const AliasesChange link = Link("Спартак", "Spartak Moscow");
    struct Case {
        const char* name;
        std::string text;
        bool read_only_file;
        bool read_only_folder;  // root may write there all the same
        std::vector<const char*> error_has;
    };
    const Case cases[] = {
        {"read-only file", "# mine\n", true, false, {"read-only", "Permission denied"}},
        {"read-only folder", "# mine\n", false, true, {"Permission denied"}},
        {"damaged file", "# mine\nonly one field\n", false, false, {"line 2: ", "damaged"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.read_only_folder && ::geteuid() == 0) continue;
        const fs::path dir = folder_ / c.name;
        fs::create_directory(dir);
        const fs::path path = dir / "aliases.tsv";
        Write(path, c.text);
        if (c.read_only_file) fs::permissions(path, fs::perms::owner_read);
        if (c.read_only_folder) fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        const AliasesSave save = SaveAliasesChanges(path.string(), {&link, 1});
        EXPECT_FALSE(save.saved);
        EXPECT_NE(save.error.find(path.string()), std::string::npos) << save.error;
        bool says_why = false;
        for (const char* why : c.error_has) says_why |= save.error.find(why) != std::string::npos;
        EXPECT_TRUE(says_why) << save.error;
        EXPECT_EQ(Read(path), c.text);
        fs::permissions(dir, fs::perms::owner_all);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);
    }
    // A folder that cannot be made: where it should be, there is a file.
    Write(folder_ / "config", "");
    const AliasesSave save =
        SaveAliasesChanges((folder_ / "config" / "lintaro" / "aliases.tsv").string(), {&link, 1});
    EXPECT_FALSE(save.saved);
    EXPECT_NE(save.error.find("cannot create the folder"), std::string::npos) << save.error;
}

TEST_F(AliasesFileOnDiskTest, ASymbolicLinkStaysAndTheFileKeepsItsPermissions) {
    const fs::path real = folder_ / "real.tsv";
    Write(real, "# mine\n");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path link_path = folder_ / "aliases.tsv";
    fs::create_symlink("real.tsv", link_path);
    const AliasesChange link = Link("Зенит", "Zenit");
    ASSERT_TRUE(SaveAliasesChanges(link_path.string(), {&link, 1}).saved);
    EXPECT_TRUE(fs::is_symlink(link_path));
    EXPECT_EQ(Read(real), "# mine\nЗенит\tZenit\tФутбол\n");
    EXPECT_EQ(fs::status(real).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(AliasesFileOnDiskTest, AChangeTheFileCannotTakeHoldsForTheRunAndIsSavedWithTheNext) {
    const fs::path path = folder_ / "aliases.tsv";
    Write(path, "# mine\n");
    fs::permissions(path, fs::perms::owner_read);
    UserAliases aliases(path.string());
    EXPECT_FALSE(aliases.Change(std::vector{Link("Спартак", "Spartak Moscow")}).saved);
    EXPECT_EQ(aliases.Unsaved(), 1u);
    EXPECT_TRUE(Linked(aliases.Load(), "Спартак", "Spartak Moscow"));
    EXPECT_FALSE(Linked(LoadAliases(path.string()), "Спартак", "Spartak Moscow"));

    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(aliases.Change(std::vector{Link("Зенит", "Zenit")}).saved);
    EXPECT_EQ(aliases.Unsaved(), 0u);
    EXPECT_EQ(Read(path), "# mine\nСпартак\tSpartak Moscow\tФутбол\nЗенит\tZenit\tФутбол\n");
}

}  // namespace
}  // namespace lintaro::compare
