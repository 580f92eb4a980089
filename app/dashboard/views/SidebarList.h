#pragma once

#include <QListWidget>

namespace orvela::dashboard::views {

/// The sidebar's list of pages: one Tab stop, the arrow keys (and Home, End, a typed letter)
/// move the keyboard cursor along it, and a click, Return or Space chooses the row under the
/// cursor. The row of the page shown is the selected one, so a screen reader announces a list
/// of pages and which one is open. Collapsed, the rows show their icons only; the names stay
/// for screen readers and tooltips.
class SidebarList : public QListWidget {
    Q_OBJECT

public:
    explicit SidebarList(QWidget* parent = nullptr);

    /// A row with the shipped `symbol` and `key`, a value the owner finds the row by.
    QListWidgetItem* addEntry(const QString& symbol, int key);
    QListWidgetItem* entry(int key) const;
    /// Names `key`'s row; collapsed, the name shows when the row is pointed at.
    void setEntryText(int key, const QString& text);

    /// Shows `key`'s row as the page shown, and puts the keyboard cursor on it.
    void showChosen(int key);

    bool isCollapsed() const { return m_collapsed; }
    void setCollapsed(bool collapsed);

    QSize sizeHint() const override;

signals:
    /// The person chose the row of `key`.
    void chosen(int key);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    bool m_collapsed = false;
};

} // namespace orvela::dashboard::views
