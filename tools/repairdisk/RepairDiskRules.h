#pragma once
// The Disk tools' rules, without a window: what a row shows and which of its
// buttons may be used, the names a rename or a format sends, the file systems
// the format picker offers, and First Aid's bar and row heights.
//
// Pure functions; any thread.

#include "core/VolumeObj.h"

#include <QList>
#include <QString>
#include <optional>

namespace repairdisk {

// Row heights of the volume table.
constexpr int kSelectedRowHeight = 88;
constexpr int kRowHeight = 48;
int rowHeight(bool selected);

// The image of a volume's row: "ic_usb" for an ejectable medium, "ic_os" for
// the volume mounted at "/", "ic_disk" for any other.
QString volumeImageName(const VolumeObj& volume);

// The file-system text of a row: "未知格式" when the name is empty or contains
// "null".
QString typeText(const QString& diskType);

// "%@ 可用, 共 %@" with the free-space and total texts, and where the first
// occurrence of the free-space text lies in it (set in bold).
struct SizeText {
    QString text;
    int boldStart = -1;
    int boldLength = 0;
};
SizeText sizeText(const QString& freeText, const QString& totalText);


// Whether a volume counts as mounted: any free bytes outside APFS, else a
// non-empty mount point. No volume counts as not mounted.
bool isVolumeMounted(const VolumeObj* volume);

// The seven row buttons by identifier, in the order they sit on the row.
enum class RowButton { Save, Open, Mount, FristAid, Rename, Format, Eject };
QList<RowButton> rowButtons();
QString rowButtonIdentifier(RowButton button);

struct RowButtonState {
    bool visible = false;
    bool enabled = false;
    QString title;
};

// How a button of a row looks. `selected` is whether the row is the selected
// one (buttons show on it alone); `renameMode` whether it is being renamed;
// `mounted` is isVolumeMounted() of the selected volume.
RowButtonState rowButtonState(RowButton button, const VolumeObj& row, bool selected, bool renameMode, bool mounted);

// The name a rename sends, or nothing when the typed text is missing, empty
// or a single blank (then nothing runs). A "fat32" volume's name is upper-cased
// and cut to 11 characters.
std::optional<QString> renameName(const std::optional<QString>& editStr, const QString& diskType);

// The name a format sends: "NEW" for an empty or single-blank name; for
// "MS-DOS FAT32" upper-cased and cut to 11 characters.
QString formatName(const QString& name, const QString& type);

// What the user is told when a rename or a format would give a volume of
// `fileSystem` (a file-system name or a format type) a name its label cannot
// hold, before anything runs; nothing when it can. Only FAT refuses names
// (platform/FatLabel.h), also one starting with a blank; exFAT, NTFS and
// ext4 labels hold any text.
std::optional<QString> nameRefusal(const QString& name, const QString& fileSystem);

// Whether a volume keeps its file system when formatted (APFS and NTFS): the
// picker stays shut and the type is the volume's own.
bool keepsItsType(const QString& diskType);

// Whether the format of a volume of this file system takes the rename and
// reformat road instead of an erase.
bool formatsByReformat(const QString& diskType);

// The file systems the format picker offers, by row: those our disk utility
// can make here.
QStringList formatTypes();
// The type text of a picker row, or nothing for a row that does not exist.
std::optional<QString> formatTypeForRow(int row);

// First Aid's bar after `chunks` output notifications: 5 % each, at most 99 %
// until the utility has ended.
constexpr float kAidEndMark = 101.0f;
float aidProgressPercent(float value);
// The bar's filled width for a percentage in a frame of `frameWidth`.
float aidUsedWidth(float frameWidth, float percent);

// First Aid's row height for a text that needs `textHeight` points.
double aidRowHeight(double textHeight);

// An output chunk as a row: one trailing line break removed.
QString aidRowText(const QString& chunk);

} // namespace repairdisk
