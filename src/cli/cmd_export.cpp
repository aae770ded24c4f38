#include <cstdint>

#include "cli/command.h"
#include "cli/data_tree.h"
#include "view/message_export.h"

namespace vellorin::cli {

// The context menu's "Export to File", with FILE as the dialog's answer. Prints the path
// written (the format's extension added to a name without one).
int RunExportCommand(CommandEnv& env) {
    if (env.args.size() != 4)
        return env.usageError("usage: export html|txt|eml LINK GUID FILE");
    const std::string& format = env.args[0];
    std::int16_t index = 0;
    if (format == "html")
        index = static_cast<std::int16_t>(ExportFormat::Html);
    else if (format == "txt")
        index = static_cast<std::int16_t>(ExportFormat::Text);
    else if (format == "eml")
        index = static_cast<std::int16_t>(ExportFormat::Email);
    else
        return env.usageError("unknown export format '" + format + "' (html, txt or eml)");

    TreeControl tvMessages("tvMessages");
    if (!SelectMessage(env, tvMessages, env.args[1], env.args[2]))
        return kExitFailed;
    CliSaveDialog dialog(env.args[3]);
    MessageExport exporter(env.context, tvMessages, dialog);
    const ExportResult result = exporter.mnuPopupSourceExportOpt_Click(index);
    switch (result.outcome) {
        case ExportOutcome::Written:
            env.out << result.path << '\n';
            return kExitOk;
        case ExportOutcome::Cancelled:
            env.err << "vellorinctl: nothing written" << std::endl;
            return kExitFailed;
        case ExportOutcome::NoMessage:
        case ExportOutcome::NotStored:
            env.err << "vellorinctl: the message could not be loaded" << std::endl;
            return kExitFailed;
        case ExportOutcome::WriteFailed:
            return kExitFailed;
    }
    return kExitFailed;
}

}  // namespace vellorin::cli
