#include "CliCommand.h"
#include "CliHelp.h"
#include "CliLocalization.h"
#include "docs/CliDocs.h"

#include <QSet>

namespace orvela::cli {

namespace {

QString english(const char* key)
{
    return cliText(key, common::AppLanguage::en);
}

/// Command paths, one per distinct word list, in table order.
QList<QStringList> distinctPaths()
{
    QList<QStringList> paths;
    for (const auto& command : commandTable()) {
        if (!paths.contains(command.path)) {
            paths << command.path;
        }
    }
    return paths;
}

/// The words that may follow `prefix`: subcommands below it.
QStringList nextWords(const QStringList& prefix)
{
    QStringList next;
    for (const QStringList& path : distinctPaths()) {
        if (path.size() > prefix.size() && path.first(prefix.size()) == prefix &&
            !next.contains(path.at(prefix.size()))) {
            next << path.at(prefix.size());
        }
    }
    return next;
}

/// Every group and command path, the empty top level first.
QList<QStringList> allPrefixes()
{
    QList<QStringList> prefixes{QStringList()};
    for (const QStringList& path : distinctPaths()) {
        for (qsizetype n = 1; n <= path.size(); ++n) {
            if (!prefixes.contains(path.first(n))) {
                prefixes << path.first(n);
            }
        }
    }
    return prefixes;
}

/// The options of every command at `path`, on either road.
QStringList optionWords(const QStringList& path)
{
    QStringList words;
    for (const auto& command : commandTable()) {
        if (command.path != path) {
            continue;
        }
        for (const auto& option : command.options) {
            if (!words.contains(QStringLiteral("--") + option.name)) {
                words << QStringLiteral("--") + option.name;
            }
        }
    }
    return words;
}

QStringList globalWords()
{
    QStringList words;
    for (const auto& option : globalOptions()) {
        words << QStringLiteral("--") + option.name;
    }
    return words;
}

/// Options that take a value, global or of any command: the word after them is no command.
QStringList valuedOptions()
{
    QStringList words;
    for (const auto& option : globalOptions()) {
        if (!option.valueName.isEmpty()) {
            words << QStringLiteral("--") + option.name;
        }
    }
    for (const auto& command : commandTable()) {
        for (const auto& option : command.options) {
            const QString word = QStringLiteral("--") + option.name;
            if (!option.valueName.isEmpty() && !words.contains(word)) {
                words << word;
            }
        }
    }
    return words;
}

/// Options whose values are a fixed set, with that set.
QList<std::pair<QString, QStringList>> choiceOptions()
{
    QList<std::pair<QString, QStringList>> choices;
    for (const auto& option : globalOptions()) {
        if (!option.allowed.isEmpty()) {
            choices.append({QStringLiteral("--") + option.name, option.allowed});
        }
    }
    for (const auto& command : commandTable()) {
        for (const auto& option : command.options) {
            if (!option.allowed.isEmpty()) {
                choices.append({QStringLiteral("--") + option.name, option.allowed});
            }
        }
    }
    return choices;
}

bool takesFiles(const QStringList& path)
{
    for (const auto& command : commandTable()) {
        if (command.path == path && !command.positionals.isEmpty()) {
            return true;
        }
    }
    return false;
}

} // namespace

QString bashCompletion()
{
    QString out = QStringLiteral("# bash completion for orvela; generated from its command "
                                 "table.\n_orvela()\n{\n"
                                 "    local cur=\"${COMP_WORDS[COMP_CWORD]}\"\n"
                                 "    local prev=\"${COMP_WORDS[COMP_CWORD-1]}\"\n"
                                 "    case \"$prev\" in\n");
    for (const auto& [option, values] : choiceOptions()) {
        out += QStringLiteral("        %1) COMPREPLY=($(compgen -W \"%2\" -- \"$cur\")); "
                              "return ;;\n")
                   .arg(option, values.join(u' '));
    }
    out += QStringLiteral("        %1) COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n")
               .arg(valuedOptions().join(u'|'));
    out += QStringLiteral("    esac\n    local path=\"\" skip=0 i word\n"
                          "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
                          "        word=\"${COMP_WORDS[i]}\"\n"
                          "        if ((skip)); then skip=0; continue; fi\n"
                          "        case \"$word\" in\n"
                          "            %1) skip=1 ;;\n"
                          "            -*) ;;\n"
                          "            *) path=\"${path:+$path }$word\" ;;\n"
                          "        esac\n    done\n    local words\n    case \"$path\" in\n")
               .arg(valuedOptions().join(u'|'));
    const QString globals = globalWords().join(u' ');
    for (const QStringList& prefix : allPrefixes()) {
        QStringList words = nextWords(prefix);
        if (prefix.isEmpty()) {
            words << QStringLiteral("help");
        }
        words << optionWords(prefix);
        out += QStringLiteral("        \"%1\") words=\"%2 %3\" ;;\n")
                   .arg(prefix.join(u' '), words.join(u' '), globals);
    }
    out += QStringLiteral("        help*) words=\"%1\" ;;\n").arg(nextWords({}).join(u' '));
    out += QStringLiteral("        *) words=\"%1\" ;;\n    esac\n").arg(globals);
    out += QStringLiteral("    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
                          "    if [[ ${#COMPREPLY[@]} -eq 0 && \"$cur\" != -* ]]; then\n"
                          "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
                          "    fi\n}\ncomplete -F _orvela orvela\n");
    return out;
}

QString zshCompletion()
{
    QString out = QStringLiteral("#compdef orvela\n# zsh completion for orvela; generated from "
                                 "its command table.\n\n_orvela() {\n"
                                 "    local -a path_words\n    local i word skip=0\n"
                                 "    case \"${words[CURRENT-1]}\" in\n");
    for (const auto& [option, values] : choiceOptions()) {
        out += QStringLiteral("        (%1) compadd -- %2; return ;;\n")
                   .arg(option, values.join(u' '));
    }
    out += QStringLiteral("        (%1) _files; return ;;\n").arg(valuedOptions().join(u'|'));
    out += QStringLiteral("    esac\n    for ((i = 2; i < CURRENT; i++)); do\n"
                          "        word=\"${words[i]}\"\n"
                          "        if ((skip)); then skip=0; continue; fi\n"
                          "        case \"$word\" in\n"
                          "            (%1) skip=1 ;;\n"
                          "            (-*) ;;\n"
                          "            (*) path_words+=(\"$word\") ;;\n"
                          "        esac\n    done\n"
                          "    case \"${(j: :)path_words}\" in\n")
               .arg(valuedOptions().join(u'|'));
    const QString globals = globalWords().join(u' ');
    for (const QStringList& prefix : allPrefixes()) {
        QStringList words = nextWords(prefix);
        if (prefix.isEmpty()) {
            words << QStringLiteral("help");
        }
        words << optionWords(prefix);
        const QString files = takesFiles(prefix) ? QStringLiteral("; _files") : QString();
        out += QStringLiteral("        (\"%1\") compadd -- %2 %3%4 ;;\n")
                   .arg(prefix.join(u' '), words.join(u' '), globals, files);
    }
    out += QStringLiteral("        (help*) compadd -- %1 ;;\n").arg(nextWords({}).join(u' '));
    out += QStringLiteral("        (*) compadd -- %1; _files ;;\n    esac\n}\n\n"
                          "_orvela \"$@\"\n")
               .arg(globals);
    return out;
}

QString fishCompletion()
{
    const QString valued = valuedOptions().join(u' ');
    QString out =
        QStringLiteral(
            "# fish completion for orvela; generated from its command table.\n"
            "function __orvela_path\n"
            "    set -l skip 0\n    set -l path\n"
            "    for word in (commandline -opc)[2..-1]\n"
            "        if test $skip = 1\n            set skip 0\n            continue\n        end\n"
            "        if contains -- $word %1\n            set skip 1\n"
            "        else if not string match -q -- '-*' $word\n"
            "            set path $path $word\n        end\n    end\n"
            "    string join ' ' -- $path\nend\n\n"
            "function __orvela_at\n    set -l path (__orvela_path)\n"
            "    test \"$path\" = \"$argv[1]\"\nend\n\n"
            "complete -c orvela -f\n")
            .arg(valued);
    for (const auto& option : globalOptions()) {
        QString line = QStringLiteral("complete -c orvela -l %1").arg(option.name);
        if (!option.shortName.isEmpty()) {
            line += QStringLiteral(" -s %1").arg(option.shortName);
        }
        if (!option.allowed.isEmpty()) {
            line += QStringLiteral(" -x -a '%1'").arg(option.allowed.join(u' '));
        } else if (!option.valueName.isEmpty()) {
            line += QStringLiteral(" -r");
        }
        out += line + QStringLiteral(" -d '%1'\n").arg(english(option.help).replace(u'\'', u' '));
    }
    for (const QStringList& prefix : allPrefixes()) {
        const QString at = QStringLiteral("-n '__orvela_at \"%1\"'").arg(prefix.join(u' '));
        for (const QString& word : nextWords(prefix)) {
            QString summary;
            for (const auto& command : commandTable()) {
                if (command.path == prefix + QStringList{word}) {
                    summary = english(command.summary).section(u'.', 0, 0);
                    break;
                }
            }
            out += QStringLiteral("complete -c orvela %1 -a %2").arg(at, word);
            if (!summary.isEmpty()) {
                out += QStringLiteral(" -d '%1'").arg(summary.replace(u'\'', u' '));
            }
            out += u'\n';
        }
        QSet<QString> seen;
        for (const auto& command : commandTable()) {
            if (command.path != prefix) {
                continue;
            }
            for (const auto& option : command.options) {
                if (seen.contains(option.name)) {
                    continue;
                }
                seen.insert(option.name);
                QString line = QStringLiteral("complete -c orvela %1 -l %2").arg(at, option.name);
                if (!option.allowed.isEmpty()) {
                    line += QStringLiteral(" -x -a '%1'").arg(option.allowed.join(u' '));
                } else if (!option.valueName.isEmpty()) {
                    line += QStringLiteral(" -r -F");
                }
                out += line +
                       QStringLiteral(" -d '%1'\n").arg(english(option.help).replace(u'\'', u' '));
            }
            if (!command.positionals.isEmpty()) {
                out += QStringLiteral("complete -c orvela %1 -F\n").arg(at);
            }
        }
    }
    out += QStringLiteral("complete -c orvela -n '__orvela_at help' -a '%1'\n")
               .arg(nextWords({}).join(u' '));
    return out;
}

} // namespace orvela::cli
