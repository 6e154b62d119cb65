// korvel-cli set IMAGE.bin DEFINITION.ecu ITEM RAW
// Stores one raw value into a flag byte or a single value, as the editor's Flags and
// Values tabs would, and writes the image back over IMAGE.bin.
#include "verbs.h"

#include "core/app_state.h"
#include "core/bin_image.h"
#include "core/ecu_reader.h"
#include "core/value_edit.h"
#include "core/values.h"

#include <memory>

namespace korvel::cli {

namespace {

constexpr int kUsageOrInputError = 2;
constexpr int kWriteFailed = 1;

// The definition as the editor takes it: read without error and every item in one of the
// four kinds. Returns the editor's message, or an empty text.
QString definitionError(AppState& state) {
    const EcuReadResult ecu = ReadEcuFile(state);
    if (ecu.outcome != EcuReadResult::Outcome::Read) {
        // The editor's text first; the reader's detail says where, when it is not already the text.
        if (ecu.detail.isEmpty() || ecu.message.contains(ecu.detail)) return ecu.message;
        return QStringLiteral("%1: %2").arg(ecu.message, ecu.detail);
    }
    const int count = state.ecuHeader.ItemCount;
    if (count < 0 || count > kMaxItems) return QStringLiteral("Error in ECU File");
    for (int n = 1; n <= count; ++n) {
        const ItemClass cls = classOf(state.EcuItemTable[static_cast<size_t>(n)]);
        if (cls == ItemClass::None || cls == ItemClass::Ambiguous)
            return QStringLiteral("Error in ECU File (item %1 is of no kind the editor shows)").arg(n);
    }
    return {};
}

// The item whose number is `name`, else the one whose trimmed title is `name`.
// Returns 0 and sets `error` when there is none or more than one.
int findItem(const AppState& state, const QString& name, QString* error) {
    const int count = state.ecuHeader.ItemCount;
    for (int n = 1; n <= count; ++n) {
        if (state.EcuItemTable[static_cast<size_t>(n)].Id == name) return n;
    }
    QList<int> found;
    for (int n = 1; n <= count; ++n) {
        if (state.EcuItemTable[static_cast<size_t>(n)].Title.trimmed() == name.trimmed()) found << n;
    }
    if (found.size() == 1) return found.front();
    if (found.isEmpty()) {
        *error = QStringLiteral("no item has the number or title \"%1\"").arg(name);
    } else {
        QStringList numbers;
        for (int n : found)
            numbers << QString::number(n);
        *error = QStringLiteral("several items have the title \"%1\" (items %2): give the number")
                     .arg(name.trimmed(), numbers.join(QStringLiteral(", ")));
    }
    return 0;
}

int run(const QStringList& args) {
    if (args.size() != 4) {
        err(QStringLiteral("usage: korvel-cli set IMAGE.bin DEFINITION.ecu ITEM RAW"));
        return kUsageOrInputError;
    }
    // The state holds two image-sized arrays: keep it off the stack.
    auto state = std::make_unique<AppState>();
    state->BinPath = args[0];
    state->EcuPath = args[1];
    if (const Status s = ReadBinFile(*state); !s) {
        err(s.error());
        return kUsageOrInputError;
    }
    if (const QString e = definitionError(*state); !e.isEmpty()) {
        err(e);
        return kUsageOrInputError;
    }
    QString error;
    const int number = findItem(*state, args[2], &error);
    if (number == 0) {
        err(error);
        return kUsageOrInputError;
    }
    const EcuItem& item = state->EcuItemTable[static_cast<size_t>(number)];
    const RawCommit commit = commitRawText(*state, item, args[3]);
    switch (commit.outcome) {
    case RawCommit::Outcome::Stored:
        break;
    case RawCommit::Outcome::Refused:
        err(commit.message);
        return kUsageOrInputError;
    case RawCommit::Outcome::Empty:
    case RawCommit::Outcome::NotHex:
        err(QStringLiteral("\"%1\" is not a hexadecimal raw value").arg(args[3]));
        return kUsageOrInputError;
    case RawCommit::Outcome::TooLarge:
        err(QStringLiteral("\"%1\" does not fit the flag byte of \"%2\" (at most FF)")
                .arg(args[3], item.Title.trimmed()));
        return kUsageOrInputError;
    }
    if (const Status s = WriteBinFile(*state); !s) {
        err(QStringLiteral("The BIN file was not saved: %1").arg(s.error()));
        return kWriteFailed;
    }
    const bool flag = classOf(item) == ItemClass::Flag;
    out(QStringLiteral("%1 (item %2)").arg(item.Title.trimmed(), item.Id));
    out(QStringLiteral("raw: %1").arg(flag ? hexByte(static_cast<int>(commit.value))
                                           : hexNumber(commit.value)));
    if (flag) {
        out(QStringLiteral("bits: %1").arg(ByteToBits(static_cast<int>(commit.value))));
    } else {
        out(QStringLiteral("calculated: %1").arg(calculatedText(*state, item, commit.value)));
    }
    return 0;
}

const VerbRegistration registration{{"set", "set IMAGE.bin DEFINITION.ecu ITEM RAW", run}};

} // namespace

} // namespace korvel::cli
