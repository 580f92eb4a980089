#include "common/l10n/StringRows.h"

#include <iterator>

namespace orvela::common::l10n {
namespace {

// Qt's own dialog texts, keyed "context|source text" as Qt asks for them; the English column is
// Qt's source text. Only the texts a person meets in the dialogs this program opens are here.
// clang-format off
constexpr StringRow kQtDialogRows[] = {
    {"QPlatformTheme|OK", "OK", "За"},
    {"QPlatformTheme|Save", "Save", "Хадгалах"},
    {"QPlatformTheme|Save All", "Save All", "Бүгдийг хадгалах"},
    {"QPlatformTheme|Open", "Open", "Нээх"},
    {"QPlatformTheme|&Yes", "&Yes", "&Тийм"},
    {"QPlatformTheme|Yes to &All", "Yes to &All", "Бүгдэд т&ийм"},
    {"QPlatformTheme|&No", "&No", "&Үгүй"},
    {"QPlatformTheme|N&o to All", "N&o to All", "Бүгдэд ү&гүй"},
    {"QPlatformTheme|Abort", "Abort", "Зогсоох"},
    {"QPlatformTheme|Retry", "Retry", "Дахин оролдох"},
    {"QPlatformTheme|Ignore", "Ignore", "Алгасах"},
    {"QPlatformTheme|Close", "Close", "Хаах"},
    {"QPlatformTheme|Cancel", "Cancel", "Цуцлах"},
    {"QPlatformTheme|Discard", "Discard", "Хаях"},
    {"QPlatformTheme|Help", "Help", "Тусламж"},
    {"QPlatformTheme|Apply", "Apply", "Хэрэгжүүлэх"},
    {"QPlatformTheme|Reset", "Reset", "Буцаах"},
    {"QPlatformTheme|Restore Defaults", "Restore Defaults", "Анхны тохиргоо сэргээх"},
    {"QGnomeTheme|&OK", "&OK", "&За"},
    {"QGnomeTheme|&Save", "&Save", "&Хадгалах"},
    {"QGnomeTheme|&Close", "&Close", "&Хаах"},
    {"QGnomeTheme|Close without Saving", "Close without Saving", "Хадгалалгүй хаах"},
    {"QGnomeTheme|&Cancel", "&Cancel", "&Цуцлах"},
    {"QDialogButtonBox|OK", "OK", "За"},
    {"QFileDialog|Look in:", "Look in:", "Хавтас:"},
    {"QFileDialog|File &name:", "File &name:", "Файлын &нэр:"},
    {"QFileDialog|Files of type:", "Files of type:", "Файлын төрөл:"},
    {"QFileDialog|Open", "Open", "Нээх"},
    {"QFileDialog|&Open", "&Open", "&Нээх"},
    {"QFileDialog|&Choose", "&Choose", "&Сонгох"},
    {"QFileDialog|&Save", "&Save", "&Хадгалах"},
    {"QFileDialog|Back", "Back", "Буцах"},
    {"QFileDialog|Forward", "Forward", "Урагш"},
    {"QFileDialog|Parent Directory", "Parent Directory", "Дээд хавтас"},
    {"QFileDialog|Create New Folder", "Create New Folder", "Шинэ хавтас үүсгэх"},
    {"QFileDialog|List View", "List View", "Жагсаалт"},
    {"QFileDialog|Detail View", "Detail View", "Дэлгэрэнгүй"},
    {"QFileDialog|Sidebar", "Sidebar", "Хажуугийн самбар"},
    {"QFileDialog|All Files (*)", "All Files (*)", "Бүх файл (*)"},
    {"QFileDialog|Recent Places", "Recent Places", "Сүүлд очсон газар"},
    {"QFileDialog|Go back", "Go back", "Буцах"},
    {"QFileDialog|Go forward", "Go forward", "Урагшлах"},
    {"QFileDialog|Go to the parent directory", "Go to the parent directory", "Дээд хавтас руу очих"},
    {"QFileDialog|Change to list view mode", "Change to list view mode", "Жагсаалтаар харах"},
    {"QFileDialog|Change to detail view mode", "Change to detail view mode", "Дэлгэрэнгүй харах"},
    {"QFileDialog|Create a New Folder", "Create a New Folder", "Шинэ хавтас үүсгэх"},
    {"QFileDialog|List of places and bookmarks", "List of places and bookmarks", "Газар, хавчуургын жагсаалт"},
    {"QFileDialog|Files", "Files", "Файлууд"},
    {"QFileDialog|Directories", "Directories", "Хавтаснууд"},
    {"QFileSystemModel|Name", "Name", "Нэр"},
    {"QFileSystemModel|Size", "Size", "Хэмжээ"},
    {"QFileSystemModel|Type", "Type", "Төрөл"},
    {"QFileSystemModel|Kind", "Kind", "Төрөл"},
    {"QFileSystemModel|Date Modified", "Date Modified", "Өөрчилсөн огноо"},
    {"QFileSystemModel|Computer", "Computer", "Компьютер"},
    {"QFileSystemModel|My Computer", "My Computer", "Миний компьютер"},
    {"QMessageBox|Show Details...", "Show Details...", "Дэлгэрэнгүйг харах..."},
    {"QMessageBox|Hide Details...", "Hide Details...", "Дэлгэрэнгүйг нуух..."},
};
// clang-format on

static_assert(allRowsFilled(kQtDialogRows), "every Qt dialog text is filled in");

} // namespace

std::span<const StringRow> qtDialogStringRows()
{
    return kQtDialogRows;
}

} // namespace orvela::common::l10n
