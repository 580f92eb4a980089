// Writes the manual page and the shell completions of `orvela` from its command table. A
// build-time tool: the installed program does not carry it.

#include "CliOutput.h"
#include "common/AppIdentity.h"
#include "common/AtomicFile.h"
#include "docs/CliDocs.h"

#include <QCoreApplication>
#include <QDir>

namespace orvela::cli {
namespace {

int writeDocs(const QString& directory)
{
    const QDir dir(directory);
    if (!dir.mkpath(QStringLiteral("completions"))) {
        printError(QStringLiteral("orvela: cannot create %1").arg(directory));
        return 1;
    }
    const std::pair<QString, QString> files[] = {
        {QStringLiteral("orvela.1"), manPage()},
        {QStringLiteral("completions/orvela.bash"), bashCompletion()},
        {QStringLiteral("completions/_orvela"), zshCompletion()},
        {QStringLiteral("completions/orvela.fish"), fishCompletion()},
    };
    for (const auto& [name, content] : files) {
        if (const auto error = common::writeFileAtomically(dir.filePath(name), content.toUtf8())) {
            printError(QStringLiteral("orvela-docgen: %1: %2").arg(dir.filePath(name), *error));
            return 1;
        }
    }
    return 0;
}

} // namespace
} // namespace orvela::cli

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The page names the settings file by the names the programs run under; whether that file
    // is usable does not matter here.
    static_cast<void>(orvela::common::applyAppIdentity());
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        orvela::cli::printError(QStringLiteral("usage: orvela-docgen DIRECTORY"));
        return 2;
    }
    return orvela::cli::writeDocs(args.at(1));
}
