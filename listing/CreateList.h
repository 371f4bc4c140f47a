#pragma once

#include "base/PathStyle.h"
#include "commands/Form.h"
#include "listing/ExtensionKey.h"
#include "listing/FileFilter.h"
#include "platform/FileSystem.h"

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

// "2. Start Creating List": one line per accepted file of every folder in the folder pane, appended to the
// results pane. Yields once per folder and once per name; a second click during a run does nothing.
void PushButton5_Click(const CommandTools& tools, const PaneModel& folders, PaneModel& results,
                       const FilterText& FilterExtension, bool& creatingList);

// The names of one folder's files, kept in one byte buffer: a folder of a million files costs two
// allocations that grow, not a million strings.
class NameList
{
public:
    void add(std::string_view utf8Name);
    int count() const { return int(m_ends.size()); }
    // The name at a 0-based index.
    std::string_view at(int index) const;

private:
    std::string m_bytes;
    std::vector<std::size_t> m_ends;
};

// The folder path of a folder pane entry: one trailing separator removed. An empty entry has none and
// throws a Failure.
QString folderPath(const QString& entry, PathStyle style = kNativePathStyle);

// Whether the listing takes a file name as the file system gives it: a name that is not UTF-8 has no path the
// program can write, so it names nothing. The folder walk's rule for subfolder names is HasUnsafeNameChars.
bool isListableName(std::string_view name);

// Whether a file name matches a wildcard pattern ("*" any run, "?" one character, ignoring case). As in the
// folder enumeration the program was made for, "*.*" means every name, also one without a ".".
class NamePattern
{
public:
    explicit NamePattern(const QString& pattern);
    bool matches(std::string_view utf8Name) const;

private:
    bool m_everyName;
    QString m_pattern;
};

// The names of the files that the folder holds directly and that match the pattern, in the file system's
// order, built completely before it is returned; only the names the listing takes. The folder may end in a separator or
// not. A folder that does not exist gives no names; one that cannot be read throws a Failure. The reading does not
// yield; with `painting`, the window repaints meanwhile, so a folder of a million files does not freeze it.
NameList ListFilesInFolder(FileSystem& files, QString folder, const QString& pattern, Yield* painting = nullptr);
