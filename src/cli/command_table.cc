#include "cli/command_table.h"

#include "cli/commands/app_put.h"
#include "cli/commands/app_restore.h"
#include "cli/commands/bundle_put_resource.h"
#include "cli/commands/completion.h"
#include "cli/commands/device.h"
#include "cli/commands/enable.h"
#include "cli/commands/entries.h"
#include "cli/commands/init.h"
#include "cli/commands/list_check.h"
#include "cli/commands/list_decode.h"
#include "cli/commands/list_diff.h"
#include "cli/commands/list_encode.h"
#include "cli/commands/list_fix.h"
#include "cli/commands/lookup.h"
#include "cli/commands/paths.h"
#include "cli/commands/reload.h"
#include "cli/commands/settings.h"
#include "cli/commands/status.h"
#include "cli/commands/version.h"
#include "cli/commands/why.h"

namespace calldir::cli {

namespace {

constexpr CommandGroup kGroups[] = {
    {"device", "The emulated phone's own state"},       {"bundle", "The extension bundle"},
    {"settings", "Read and write the shared settings"}, {"list", "Prepare, read and check caller list files"},
    {"app", "Act as the containing application"},
};

constexpr Command kCommands[] = {
    {"device damage-store",
     "Damage the phone's call directory database: every request fails with error 11 (undocumented, seen in "
     "the "
     "field) until `device reset`",
     kOpensStore, bound<declareNoOptions, runDamageStore>},
    {"device reset", "Reset the phone's settings: the damage and every entry gone, the extension not loaded",
     kOpensStore, bound<declareNoOptions, runDeviceReset>},
    {"init", "Create the device root (running it again changes nothing)", kOpensNothing,
     bound<declareInit, runInit>},
    {"paths", "Print the device root's paths", kOpensDevice | kReadsOnly, bound<declarePaths, runPaths>},
    {"bundle put-resource",
     "Install FILE as the full caller list resource callersAdd_Zero.json; warns about what a restore would "
     "skip "
     "or refuse",
     kOpensDevice, bound<declareBundlePutResource, runBundlePutResource>},
    {"settings list", "Every key and its value", kOpensSettings | kReadsOnly,
     bound<declareSettingsList, runSettingsList>},
    {"settings get", "Print the value of KEY (exit 1 when it is not set)", kOpensSettings | kReadsOnly,
     bound<declareSettingsGet, runSettingsGet>},
    {"settings set", "Store VALUE under KEY", kOpensSettings, bound<declareSettingsSet, runSettingsChange>},
    {"settings unset", "Remove KEY", kOpensSettings, bound<declareSettingsUnset, runSettingsChange>},
    {"status",
     "The last request, the control keys, the status lines, the waiting delta lists and what the next "
     "request "
     "will do",
     kOpensDevice | kReadsOnly, bound<declareStatus, runStatus>},
    {"list encode", "Encode a plain JSON caller list into a list text (Base64 of AES-256 under the list key)",
     kOpensNothing, bound<declareListEncode, runListEncode>},
    {"list decode", "Decode a list text into its plain JSON text, exactly as the extension reads list files",
     kOpensNothing, bound<declareListDecode, runListDecode>},
    {"list check",
     "Read a list (list text or plain JSON) the way the extension does and say what a request would do",
     kOpensNothing, bound<declareListCheck, runListCheck>},
    {"list fix",
     "Write a list the platform accepts and that means what its author meant (numbers as E.164 digits, "
     "sorted, "
     "repeats and unusable elements dropped)",
     kOpensNothing, bound<declareListFix, runListFix>},
    {"list diff",
     "Write the delete list and the add list that turn a store holding OLD into NEW (full lists)",
     kOpensNothing, bound<declareListDiff, runListDiff>},
    {"reload", "Have the phone load the extension, as the containing application's reload does", kOpensDevice,
     bound<declareReload, runReload>},
    {"enable", "Switch the extension on; the phone then loads it", kOpensStore,
     bound<declareEnable, runEnable>},
    {"disable", "Switch the extension off", kOpensStore, bound<declareDisable, runDisable>},
    {"lookup",
     "The label(s) a call from each NUMBER shows (exit 1 when one has none): digits alone as they are, a "
     "number "
     "with + or separators read as a phone number (+82 10-1234-5678)",
     kOpensStore | kReadsOnly, bound<declareLookup, runLookup>},
    {"entries", "Every identification entry, in number order", kOpensStore | kReadsOnly,
     bound<declareEntries, runEntries>},
    {"why",
     "What a call from each NUMBER shows and why: the store, the resource list, the waiting delta lists, the "
     "next request, the last request and its status lines (exit 1 when one shows no label)",
     kOpensStore | kReadsOnly, bound<declareWhy, runWhy>},
    {"app restore", "Ask for a restore from zero (sets CDListClearAllYN to Y)", kOpensSettings,
     bound<declareAppRestore, runAppRestore>},
    {"app put",
     "Drop delta lists into the shared container (plain JSON lists are checked and encoded); a list that "
     "still "
     "waits for a request is kept (exit 1) unless --replace",
     kOpensDevice, bound<declareAppPut, runAppPut>},
    {"version", "Print calldir's version", kOpensNothing, bound<declareNoOptions, runVersion>},
    {"completion", "Print a completion script for SHELL (bash, zsh or fish)", kOpensNothing,
     bound<declareCompletion, runCompletion>},
};

}  // namespace

std::span<const Command> commandTable() { return kCommands; }
std::span<const CommandGroup> commandGroups() { return kGroups; }

}  // namespace calldir::cli
