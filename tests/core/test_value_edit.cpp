#include "core/app_state.h"
#include "core/value_edit.h"
#include "core/values.h"

#include <gtest/gtest.h>

#include <memory>

using namespace korvel;

namespace {

struct EntryCase {
    const char* text;
    int byteSize;
    RawEntry::Outcome outcome;
    quint64 value;
    bool clamped;
};

class ParseRawEntry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(ParseRawEntry, ReadsClampsOrRefuses) {
    const EntryCase& c = GetParam();
    const RawEntry e = parseRawEntry(QString::fromLatin1(c.text), c.byteSize);
    EXPECT_EQ(e.outcome, c.outcome);
    if (c.outcome == RawEntry::Outcome::Value) {
        EXPECT_EQ(e.value, c.value);
        EXPECT_EQ(e.clamped, c.clamped);
    }
}

constexpr quint64 kAll = ~quint64{0};

INSTANTIATE_TEST_SUITE_P(Texts, ParseRawEntry,
                         ::testing::Values(EntryCase{"7f", 1, RawEntry::Outcome::Value, 0x7F, false},
                                           EntryCase{"1ff", 1, RawEntry::Outcome::Value, 0xFF, true},
                                           EntryCase{"100", 1, RawEntry::Outcome::Value, 0xFF, true},
                                           EntryCase{"0000FF", 1, RawEntry::Outcome::Value, 0xFF, false},
                                           EntryCase{" 5 ", 2, RawEntry::Outcome::Value, 5, false},
                                           EntryCase{"10000", 2, RawEntry::Outcome::Value, 0xFFFF, true},
                                           EntryCase{"000", 2, RawEntry::Outcome::Value, 0, false},
                                           // Beyond 64 bits still clamps rather than being taken for a typo.
                                           EntryCase{"1FFFFFFFFFFFFFFFF", 8, RawEntry::Outcome::Value, kAll,
                                                     true},
                                           EntryCase{"8000000000000001", 8, RawEntry::Outcome::Value,
                                                     0x8000000000000001ULL, false},
                                           EntryCase{"", 1, RawEntry::Outcome::Empty, 0, false},
                                           EntryCase{"   ", 1, RawEntry::Outcome::Empty, 0, false},
                                           EntryCase{"xyz", 1, RawEntry::Outcome::NotHex, 0, false},
                                           EntryCase{"1 2", 2, RawEntry::Outcome::NotHex, 0, false},
                                           EntryCase{"-1", 2, RawEntry::Outcome::NotHex, 0, false},
                                           EntryCase{"0x10", 2, RawEntry::Outcome::NotHex, 0, false}));

struct StepCase {
    quint64 raw;
    int d;
    int byteSize;
    std::optional<quint64> expected;
};

class SteppedRaw : public ::testing::TestWithParam<StepCase> {};

TEST_P(SteppedRaw, RefusesOnePastEitherEnd) {
    const StepCase& c = GetParam();
    EXPECT_EQ(steppedRaw(c.raw, c.d, c.byteSize), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Steps, SteppedRaw,
                         ::testing::Values(StepCase{0xFF, -1, 1, std::nullopt}, StepCase{0xFE, -1, 1, 0xFF},
                                           StepCase{0, 1, 1, std::nullopt}, StepCase{0xFF, -1, 2, 0x100},
                                           StepCase{0xFFFF, -1, 2, std::nullopt}, StepCase{0x100, 1, 2, 0xFF},
                                           StepCase{0x1234, 0, 2, 0x1234},
                                           StepCase{kAll, -1, 8, std::nullopt},
                                           StepCase{kAll - 1, -1, 8, kAll}, StepCase{0, 1, 8, std::nullopt}));

// The image as Read would leave it: every cell addressed, 4096 bytes, BinSize 4096 + 16.
std::unique_ptr<AppState> image() {
    auto s = std::make_unique<AppState>();
    for (int i = 0; i < 4096 + 16; ++i) {
        s->BinImage[static_cast<size_t>(i)].setAddress(i);
        s->BinImage[static_cast<size_t>(i)].setValue(0x11);
    }
    s->BinSize = 4096 + 16;
    return s;
}

EcuItem item(const char* address, int byteSize, int kind, int columns = 1, int rows = 1) {
    EcuItem it;
    it.Id = QStringLiteral("4");
    it.Title = QStringLiteral(" Item");
    it.Address = QString::fromLatin1(address);
    it.ByteSize = static_cast<qint16>(byteSize);
    it.Kind = static_cast<qint16>(kind);
    it.Columns = static_cast<qint16>(columns);
    it.Rows = static_cast<qint16>(rows);
    it.Factor = 1;
    return it;
}

bool anyPending(const AppState& s) {
    for (const BinCell& c : s.PendingChanges)
        if (!c.isEmpty()) return true;
    return false;
}

TEST(CommitRawText, ValueIsStoredMostSignificantFirstAndRecorded) {
    auto s = image();
    const RawCommit c = commitRawText(*s, item("200", 3, 0), u"abcd");
    ASSERT_EQ(c.outcome, RawCommit::Outcome::Stored);
    EXPECT_EQ(c.value, 0xABCDu);
    EXPECT_EQ(rawText(*s, 0x200, 3), QStringLiteral("00ABCD"));
    for (int i = 0x200; i < 0x203; ++i) {
        EXPECT_EQ(s->PendingChanges[static_cast<size_t>(i)].valueText(),
                  s->BinImage[static_cast<size_t>(i)].valueText());
        EXPECT_EQ(s->PendingChanges[static_cast<size_t>(i)].addressText(),
                  QString::number(i, 16).toUpper().rightJustified(6, QLatin1Char('0')));
    }
    EXPECT_TRUE(s->PendingChanges[0x203].isEmpty());
}

TEST(CommitRawText, ValueTooLargeIsClampedFlagTooLargeIsRefused) {
    auto s = image();
    EXPECT_EQ(commitRawText(*s, item("200", 2, 0), u"12345").value, 0xFFFFu);
    EXPECT_EQ(rawText(*s, 0x200, 2), QStringLiteral("FFFF"));

    auto f = image();
    // A flag is one byte whatever ByteSize says.
    EXPECT_EQ(commitRawText(*f, item("300", 2, 80), u"100").outcome, RawCommit::Outcome::TooLarge);
    EXPECT_FALSE(anyPending(*f));
    EXPECT_EQ(commitRawText(*f, item("300", 2, 80), u"a5").outcome, RawCommit::Outcome::Stored);
    EXPECT_EQ(rawText(*f, 0x300, 2), QStringLiteral("A511"));
}

TEST(CommitRawText, NothingIsWrittenForRefusedItemsOrBadText) {
    struct Case {
        EcuItem it;
        const char* text;
        RawCommit::Outcome outcome;
    };
    const Case cases[] = {
        {item("200", 1, 0), "", RawCommit::Outcome::Empty},
        {item("200", 1, 0), "g1", RawCommit::Outcome::NotHex},
        {item("20Z", 1, 0), "1", RawCommit::Outcome::Refused},
        {item("200", 0, 0), "1", RawCommit::Outcome::Refused},
        {item("200", 9, 0), "1", RawCommit::Outcome::Refused},
        // The last byte Save writes is FFF: a value reaching past it is refused whole.
        {item("FFE", 3, 0), "1", RawCommit::Outcome::Refused},
        {item("300", 1, 0, 4, 1), "1", RawCommit::Outcome::Refused},
    };
    for (const Case& c : cases) {
        auto s = image();
        const RawCommit r = commitRawText(*s, c.it, QString::fromLatin1(c.text));
        EXPECT_EQ(r.outcome, c.outcome) << c.it.Address.toStdString() << " " << c.text;
        if (r.outcome == RawCommit::Outcome::Refused) {
            EXPECT_FALSE(r.message.isEmpty());
        }
        EXPECT_FALSE(anyPending(*s)) << c.it.Address.toStdString();
    }
    auto s = image();
    EXPECT_EQ(commitRawText(*s, item("FFD", 3, 0), u"1").outcome, RawCommit::Outcome::Stored);
}

TEST(CalculatedText, FollowsTheItemAndTheNumberFormat) {
    auto s = image();
    EcuItem it = item("200", 2, 0);
    it.Factor = 0.1;
    EXPECT_EQ(calculatedText(*s, it, 0xFFFF), QStringLiteral("6553.5"));
    it.Conversion = 1;
    it.Factor = 1000;
    EXPECT_EQ(calculatedText(*s, it, 4), QStringLiteral("250."));
    EXPECT_EQ(calculatedText(*s, it, 0), QString());
    s->NumericFormat = QStringLiteral("0.000");
    EXPECT_EQ(calculatedText(*s, it, 3), QStringLiteral("333.333"));
    it.Factor = 0;
    EXPECT_EQ(calculatedText(*s, it, 3), QString());
}

} // namespace
