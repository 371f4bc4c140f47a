#include "cli/CommandLine.h"

#include <optional>

namespace {

struct Option
{
    const char* name;     // long name, without "--"
    char letter;          // short name, or 0
    bool takesValue;
};

constexpr Option kOptions[] = {
    {"list", 0, false},     {"subfolders", 0, false}, {"filter", 0, true}, {"csv", 0, false},
    {"null", '0', false},   {"crlf", 0, false},       {"output", 'o', true}, {"help", 'h', false},
    {"version", 'V', false},
};

// The option a long name names, shortened or not; a usage error when it names none or several.
const Option* longOption(QStringView name, QString& error)
{
    const Option* found = nullptr;
    for (const Option& option : kOptions) {
        const QString full = QString::fromLatin1(option.name);
        if (full == name)
            return &option;
        if (full.startsWith(name)) {
            if (found) {
                error = QStringLiteral("option '--%1' is ambiguous").arg(name);
                return nullptr;
            }
            found = &option;
        }
    }
    if (!found)
        error = QStringLiteral("unrecognized option '--%1'").arg(name);
    return found;
}

const Option* shortOption(QChar letter, QString& error)
{
    for (const Option& option : kOptions)
        if (option.letter != 0 && letter == QLatin1Char(option.letter))
            return &option;
    error = QStringLiteral("invalid option -- '%1'").arg(letter);
    return nullptr;
}

void take(Arguments& read, const Option& option, const QString& value)
{
    const QString name = QString::fromLatin1(option.name);
    ListOptions& list = read.list;
    if (name == u"list")
        read.form = Arguments::Form::List;
    else if (name == u"subfolders")
        list.subfolders = true;
    else if (name == u"filter")
        list.filter = value;
    else if (name == u"csv")
        list.csv = true;
    else if (name == u"null")
        list.end = ListOptions::LineEnd::Nul;
    else if (name == u"crlf")
        list.end = ListOptions::LineEnd::CrLf;
    else if (name == u"output")
        list.output = value;
}

} // namespace

Arguments readArguments(const QStringList& arguments)
{
    Arguments read;
    bool help = false, version = false, listOnly = false;
    const auto misuse = [&](const QString& error) {
        read.form = Arguments::Form::Misused;
        read.error = error;
        return read;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"--") {
            read.paths += arguments.mid(i + 1);
            break;
        }
        if (!argument.startsWith(u'-') || argument == u"-") {
            read.paths.append(argument);
            continue;
        }
        QString error;
        // The options of one argument: a long one, or a cluster of short ones ("-0o FILE").
        std::vector<std::pair<const Option*, std::optional<QString>>> given;
        if (argument.startsWith(u"--")) {
            const QString body = argument.mid(2);
            const qsizetype equals = body.indexOf(u'=');
            const Option* option = longOption(equals < 0 ? QStringView(body) : QStringView(body).left(equals), error);
            if (!option)
                return misuse(error);
            if (equals >= 0 && !option->takesValue)
                return misuse(QStringLiteral("option '--%1' doesn't allow an argument").arg(option->name));
            given.emplace_back(option, equals < 0 ? std::nullopt : std::optional(body.mid(equals + 1)));
        } else {
            for (qsizetype c = 1; c < argument.size(); ++c) {
                const Option* option = shortOption(argument[c], error);
                if (!option)
                    return misuse(error);
                const bool rest = option->takesValue && c + 1 < argument.size();
                given.emplace_back(option, rest ? std::optional(argument.mid(c + 1)) : std::nullopt);
                if (option->takesValue)
                    break;
            }
        }
        for (auto& [option, value] : given) {
            if (option->takesValue && !value) {
                if (i + 1 >= arguments.size())
                    return misuse(QStringLiteral("option '%1' requires an argument").arg(argument));
                value = arguments[++i];
            }
            help = help || option->letter == 'h';
            version = version || option->letter == 'V';
            listOnly = listOnly || (QLatin1String(option->name) != QLatin1String("list") && option->letter != 'h' &&
                                    option->letter != 'V');
            take(read, *option, value.value_or(QString()));
        }
    }
    if (help)
        read.form = Arguments::Form::Help;
    else if (version)
        read.form = Arguments::Form::Version;
    else if (read.form == Arguments::Form::List && read.paths.isEmpty())
        return misuse(QStringLiteral("--list needs at least one folder"));
    else if (read.form != Arguments::Form::List && listOnly)
        return misuse(QStringLiteral("the options of a list need --list"));
    read.list.folders = read.paths;
    return read;
}

QString usageHint()
{
    return QStringLiteral("Try 'tallyfold --help' for more information.\n");
}

QString helpText()
{
    return QStringLiteral(
        "Usage: tallyfold [FOLDER | LIST-FILE]...\n"
        "  or:  tallyfold --list [OPTION]... FOLDER...\n"
        "Make a plain list of the files that a set of folders holds directly.\n"
        "\n"
        "Without --list, open the window with each FOLDER added with all its usable\n"
        "subfolders, and each LIST-FILE (a text file with one folder per line) loaded.\n"
        "\n"
        "  --list          print the list of the files of each FOLDER; open no window\n"
        "  --subfolders    walk each FOLDER with all its usable subfolders first\n"
        "  --filter=EXT    only the files with the extension EXT, as the filter box\n"
        "                  takes it (default: *, every file)\n"
        "  --csv           write CSV with each file's path, name, extension, size and\n"
        "                  modification time\n"
        "  -0, --null      end each line with a NUL byte, for xargs -0\n"
        "      --crlf      end each line with CR LF, as the saved text file does\n"
        "  -o, --output=FILE  write the list to FILE (replaced only once it is whole)\n"
        "                  instead of standard output\n"
        "  -h, --help      display this help and exit\n"
        "  -V, --version   output version information and exit\n"
        "\n"
        "Exit status: 0 when all went well, 1 when a folder could not be listed,\n"
        "2 for a usage error.\n"
        "\n"
        "Examples:\n"
        "  tallyfold --list --subfolders ~/Music > music.txt\n"
        "  tallyfold --list -0 --filter=log /var/log | xargs -0 ls -l\n");
}

QString versionText()
{
    return QStringLiteral("tallyfold 1.0.0\n"
                          "Copyright (c) 2026 Quillmark\n"
                          "License MIT: <https://opensource.org/license/mit>.\n"
                          "This is free software: you are free to change and redistribute it.\n"
                          "There is NO WARRANTY, to the extent permitted by law.\n");
}
