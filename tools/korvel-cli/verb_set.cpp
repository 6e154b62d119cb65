// korvel-cli set IMAGE.bin DEFINITION.ecu ITEM RAW
// Stores one raw value into a flag byte or a single value, as the editor's Flags and
// Values tabs would, and writes the image back over IMAGE.bin.
#include "verbs.h"

#include "core/app_state.h"
#include "core/bin_image.h"
#include "core/value_edit.h"
#include "core/values.h"
#include "definition_loader.h"
#include "xdf_access.h"

#include <memory>

namespace korvel::cli {

namespace {

constexpr int kUsageOrInputError = 2;
constexpr int kWriteFailed = 1;

int run(const QStringList& args) {
    if (args.size() != 4) {
        err(QStringLiteral("usage: korvel-cli set IMAGE.bin DEFINITION.ecu ITEM RAW"));
        return kUsageOrInputError;
    }
    const VerbFiles files = sortFiles(args[0], args[1]);
    if (files.refused) return kUsageOrInputError;
    // The state holds two image-sized arrays: keep it off the stack.
    auto state = std::make_unique<AppState>();
    if (files.xdf)
        return loadImage(*state, files.image) ? xdfSet(*state, *files.xdf, args[2], args[3])
                                              : kUsageOrInputError;
    if (!loadImage(*state, args[0]) || !loadDefinition(*state, args[1], "set")) return kUsageOrInputError;
    const int number = chooseItem(*state, args[2]);
    if (number == 0) return kUsageOrInputError;
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
