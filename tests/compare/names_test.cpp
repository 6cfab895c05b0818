// Names across scripts: the sport table, normalisation, transliteration with its variants, the
// translated names, the similarity of real name pairs and of near twins, and the aliases file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "compare/aliases.h"
#include "compare/name_similarity.h"
#include "compare/name_words.h"
#include "compare/sport_names.h"
#include "compare/transliteration.h"
#include "table/cp1251_text.h"

namespace lintaro::compare {
namespace {

std::string Cp(const char* utf8) { return table::Utf8ToCp1251(utf8); }

double Similar(const char* first_utf8, const char* second_utf8) {
    return NameSimilarity(PrepareName(Cp(first_utf8)), PrepareName(Cp(second_utf8)));
}

TEST(SportKeyTest, BothBookmakersNamesMeetAtOneKey) {
    const std::pair<const char*, const char*> cases[] = {
        {"футбол", "soccer"},    {"Футбол", "soccer"},
        {" ФУТБОЛ ", "soccer"},  {"soccer", "soccer"},
        {"бейсбол", "baseball"}, {"Baseball", "baseball"},
        {"теннис", "tennis"},    {"tennis", "tennis"},
        {"хоккей", "hockey"},    {"баскетбол", "basketball"},
        {"гандбол", "handball"}, {"волейбол", "volleyball"},
        {"керлинг", "керлинг"},  {"", ""},
    };
    for (const auto& [name, key] : cases) EXPECT_EQ(SportKey(Cp(name)), Cp(key)) << name;
}

TEST(NameWordsTest, NormalisesCaseYoPunctuationHyphensAndClubForms) {
    const std::pair<const char*, const char*> cases[] = {
        {"Ёмиури Джайентс", "емиури джайентс"},
        {"ФК Спартак-М.", "спартак м"},
        {"Borac Banja-Luka", "borac banja luka"},
        {"FC Barcelona", "barcelona"},
        {"Valencia CF", "valencia"},
        {"AC Milan", "milan"},
        {"St. Louis Cardinals", "st louis cardinals"},
        {"Bayern\xA0Munich", "bayern munich"},  // a no-break space between the words
        {"Schalke 04", "schalke 04"},
        {"  ...  ", ""},
        {"", ""},
        {"FC", ""},
    };
    for (const auto& [name, normalised] : cases) {
        EXPECT_EQ(NormalisedName(Cp(name)), Cp(normalised)) << name;
    }
    const std::vector<NameWord> words = NameWords(Cp("Уильямс С."));
    ASSERT_EQ(words.size(), 2u);
    EXPECT_FALSE(words[0].abbreviation);
    EXPECT_TRUE(words[1].abbreviation);
    EXPECT_TRUE(NameWords(Cp("Спартак Тр"))[1].abbreviation);
    EXPECT_TRUE(NameWords(Cp("Bayern Munich"))[1].city);
    EXPECT_TRUE(NameWords(std::string(10'000, 'a')).empty());
}

TEST(TransliterationTest, StandardSchemeAndItsCommonVariants) {
    EXPECT_EQ(Transliterate(Cp("Ёмиури Джайентс")), "yomiuri dzhayents");
    EXPECT_EQ(Transliterate(Cp("Хиросима")), "khirosima");
    EXPECT_EQ(Transliterate(Cp("Подъезд, Ильич")), "podezd, ilich");
    const auto has = [](const char* word, const char* spelling) {
        const auto variants = TransliterationVariants(Cp(word));
        return std::find(variants.begin(), variants.end(), spelling) != variants.end();
    };
    const std::pair<const char*, const char*> cases[] = {
        {"ювентус", "yuventus"},    {"ювентус", "juventus"},     {"хансин", "khansin"},
        {"халеп", "halep"},         {"хиросима", "hirosima"},    {"якулт", "yakult"},
        {"джокович", "djokovic"},   {"кузнецова", "kuznetsova"}, {"циципас", "tsitsipas"},
        {"свитолина", "svitolina"}, {"валенсия", "valencia"},    {"вольфсбург", "wolfsburg"},
        {"рублев", "rublev"},       {"майами", "maiami"},        {"майами", "mayami"},
        {"ильин", "ilin"},          {"барселона", "barcelona"},  {"зенит", "zenit"},
        {"емиури", "yemiuri"},      {"ёмиури", "yomiuri"},
    };
    for (const auto& [word, spelling] : cases)
        EXPECT_TRUE(has(word, spelling)) << word << " " << spelling;
    // "е" after a consonant is never "ye"; the count of variants is bounded.
    EXPECT_FALSE(has("зенит", "zyenit"));
    EXPECT_LE(TransliterationVariants(Cp("щщщщщщщщщщщщщщщщщщщщюююююююю")).size(), kMaxVariants);
    EXPECT_EQ(TransliterationVariants("arsenal"), std::vector<std::string>{"arsenal"});
}

TEST(NameSimilarityTest, RealPairsAcrossScriptsMatch) {
    const std::pair<const char*, const char*> pairs[] = {
        {"Ёмиури Джайентс", "Yomiuri Giants"},
        {"Хансин Тайгерс", "Hanshin Tigers"},
        {"Хиросима Карп", "Hiroshima Carp"},
        {"Якулт Сваллоуз", "Yakult Swallows"},
        {"Нью-Йорк Янкиз", "New York Yankees"},
        {"Бостон Ред Сокс", "Boston Red Sox"},
        {"Лос-Анджелес Доджерс", "Los Angeles Dodgers"},
        {"Сан-Франциско Джайентс", "San Francisco Giants"},
        {"Сент-Луис Кардиналс", "St. Louis Cardinals"},
        {"Хьюстон Астрос", "Houston Astros"},
        {"Атланта Брэйвз", "Atlanta Braves"},
        {"Чикаго Кабс", "Chicago Cubs"},
        {"Арсенал", "Arsenal"},
        {"Челси", "Chelsea"},
        {"Ливерпуль", "Liverpool"},
        {"Манчестер Юнайтед", "Manchester United"},
        {"Манчестер Сити", "Manchester City"},
        {"Тоттенхэм", "Tottenham"},
        {"Эвертон", "Everton"},
        {"Астон Вилла", "Aston Villa"},
        {"Ньюкасл", "Newcastle"},
        {"Вест Хэм", "West Ham"},
        {"Бавария", "Bayern Munich"},
        {"Боруссия Дортмунд", "Borussia Dortmund"},
        {"Шальке 04", "Schalke 04"},
        {"Штутгарт", "VfB Stuttgart"},
        {"Вольфсбург", "VfL Wolfsburg"},
        {"Айнтрахт Франкфурт", "Eintracht Frankfurt"},
        {"Ювентус", "Juventus"},
        {"Милан", "AC Milan"},
        {"Интер", "Inter"},
        {"Рома", "AS Roma"},
        {"Лацио", "Lazio"},
        {"Наполи", "Napoli"},
        {"Фиорентина", "Fiorentina"},
        {"Црвена Звезда", "Red Star Belgrade"},
        {"Црвена Звезда", "Crvena Zvezda"},
        {"Спартак М", "Spartak Moscow"},
        {"Динамо М", "Dynamo Moscow"},
        {"Динамо К", "Dynamo Kyiv"},
        {"ФК Сараево", "FK Sarajevo"},
        {"Борац Баня-Лука", "Borac Banja Luka"},
        {"Уильямс С.", "Serena Williams"},
        {"Уильямс С.", "Williams S."},
        {"Надаль Р.", "Rafael Nadal"},
        {"Джокович Н.", "Novak Djokovic"},
        {"Федерер Р.", "Roger Federer"},
        {"Медведев Д.", "Daniil Medvedev"},
        {"Зверев А.", "Alexander Zverev"},
        {"Тим Д.", "Dominic Thiem"},
        {"Халеп С.", "Simona Halep"},
        {"Квитова П.", "Petra Kvitova"},
        {"Свитолина Э.", "Elina Svitolina"},
        {"Кузнецова С.", "Svetlana Kuznetsova"},
        {"Spartak Moscow", "Spartak Moscow"},
    };
    for (const auto& [first, second] : pairs) {
        EXPECT_GE(Similar(first, second), 0.8) << first << " / " << second;
    }
}

TEST(NameSimilarityTest, NearTwinsAndStrangersStayApart) {
    const std::pair<const char*, const char*> pairs[] = {
        {"Динамо М", "Dynamo Kyiv"},
        {"Динамо К", "Dynamo Moscow"},
        {"Спартак Тр", "Spartak Moscow"},
        {"Спартак М", "Spartak Trnava"},
        {"Манчестер Юнайтед", "Manchester City"},
        {"Манчестер Сити", "Manchester United"},
        {"Уильямс С.", "Venus Williams"},
        {"Уильямс В.", "Serena Williams"},
        {"Уильямс С.", "Williams V."},
        {"Ёмиури Джайентс", "San Francisco Giants"},
        {"Атлетико", "Athletic Bilbao"},
        {"Милан", "Inter Milan"},
        {"Реал Мадрид", "Real Sociedad"},
        {"Шальке 04", "Hannover 96"},
        {"Арсенал", "Chelsea"},
        {"", "Arsenal"},
        {"...", "Arsenal"},
        {"С.", "Serena Williams"},
        {"東京", "Tokyo"},
    };
    for (const auto& [first, second] : pairs) {
        EXPECT_LT(Similar(first, second), 0.77) << first << " / " << second;
    }
    EXPECT_EQ(Similar(std::string(10'000, 'a').c_str(), std::string(10'000, 'a').c_str()), 0.0);
}

class AliasesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("lintaro_aliases_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Write(const std::string& text) {
        const std::string path = (dir_ / "aliases.tsv").string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::filesystem::path dir_;
};

TEST_F(AliasesTest, LinksWinInTheirSportAndAnywhereWithoutOne) {
    const AliasesLoad load = LoadAliases(
        Write("# my links\n\nЛокомотив М\tLokomotiv Moscow\tфутбол\r\nЦСКА\tPFC CSKA\n"));
    ASSERT_EQ(load.error, "");
    const Aliases& aliases = load.aliases;
    const std::string loko = NormalisedName(Cp("Локомотив М."));
    EXPECT_EQ(aliases.Judge(loko, "lokomotiv moscow", "soccer"), Aliases::Verdict::kLinked);
    EXPECT_EQ(aliases.Judge(loko, "lokomotiv moscow", "hockey"), Aliases::Verdict::kNone);
    EXPECT_EQ(aliases.Judge(loko, "lokomotiv plovdiv", "soccer"), Aliases::Verdict::kUnlinked);
    EXPECT_EQ(aliases.Judge(Cp("цска"), "pfc cska", "hockey"), Aliases::Verdict::kLinked);
    EXPECT_EQ(aliases.Judge(Cp("зенит"), "zenit", "soccer"), Aliases::Verdict::kNone);
    EXPECT_EQ(aliases.LinkedSecondNames(loko, "soccer"),
              std::vector<std::string>{"lokomotiv moscow"});
}

TEST_F(AliasesTest, MalformedFileIsNamedAndIgnored) {
    const std::pair<const char*, const char*> cases[] = {
        {"Арсенал\tArsenal\nно табуляции нет\n", ": line 2: "},
        {"a\tb\tc\td\n", ": line 1: "},
        {"Арсенал\t...\n", ": line 1: a name is empty"},
    };
    for (const auto& [text, message] : cases) {
        const AliasesLoad load = LoadAliases(Write(text));
        EXPECT_NE(load.error.find(message), std::string::npos) << load.error;
        EXPECT_NE(load.error.find("aliases.tsv"), std::string::npos);
        EXPECT_TRUE(load.aliases.Empty());
    }
    const AliasesLoad missing = LoadAliases((dir_ / "none.tsv").string());
    EXPECT_EQ(missing.error, "");
    EXPECT_TRUE(missing.aliases.Empty());
}

TEST(AliasesPathTest, FollowsTheConfigurationFolder) {
    ::setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    EXPECT_EQ(DefaultAliasesPath(), "/tmp/cfg/lintaro/aliases.tsv");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(DefaultAliasesPath(), "/home/u/.config/lintaro/aliases.tsv");
}

}  // namespace
}  // namespace lintaro::compare
