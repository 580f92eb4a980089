#pragma once

#include "DashboardFixture.h"
#include "dashboard/views/DashboardView.h"
#include "dashboard/views/SidebarList.h"
#include "session/DashboardTab.h"

#include <QCoreApplication>
#include <QLabel>
#include <QListWidgetItem>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTest>

namespace orvela::dashboardtest {

using common::AppLanguage;
using dashboard::views::DashboardContext;
using dashboard::views::DashboardView;
using dashboard::views::SidebarList;
using session::DashboardTab;

inline const QString kTime = QStringLiteral("2026-01-05T10:11:12Z");

/// The child named `name`, failing the test when there is none.
template <class W> W* child(QWidget& parent, const QString& name)
{
    auto* found = parent.findChild<W*>(name);
    EXPECT_NE(found, nullptr) << name.toStdString();
    return found;
}

/// Texts of the visible labels named `name` under `parent`, in layout order.
inline QStringList texts(QWidget& parent, const QString& name)
{
    QStringList out;
    for (auto* label : parent.findChildren<QLabel*>(name)) {
        if (label->isVisibleTo(&parent)) {
            out << label->text();
        }
    }
    return out;
}

/// A dashboard over the signed-in state, with ways to reach its pages as a person would.
class DashboardViewTest : public DashboardFixture {
protected:
    std::unique_ptr<DashboardView> makeView()
    {
        DashboardContext context;
        context.appState = m_state.get();
        context.localization = m_localization.get();
        auto view = std::make_unique<DashboardView>(context);
        view->resize(1100, 760);
        view->show();
        return view;
    }

    QWidget* currentPage(DashboardView& view)
    {
        return child<QStackedWidget>(view, QStringLiteral("dashboardPages"))->currentWidget();
    }

    SidebarList* pageList(DashboardView& view)
    {
        return child<SidebarList>(view, QStringLiteral("pageList"));
    }

    QListWidgetItem* entry(DashboardView& view, DashboardTab tab)
    {
        return pageList(view)->entry(static_cast<int>(tab));
    }

    /// Clicks the tab's row, as a person would.
    void choose(DashboardView& view, DashboardTab tab)
    {
        SidebarList* list = pageList(view);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(entry(view, tab)).center());
    }

    /// In both languages no label shows a date as stored ("2026-02-01T08:30…"), only as the
    /// one formatter writes it for people.
    void expectNoRawDates(const QWidget& page)
    {
        static const QRegularExpression stored(QStringLiteral(R"(\d{4}-\d{2}-\d{2})"));
        const AppLanguage shown = m_localization->language();
        for (AppLanguage language : {AppLanguage::en, AppLanguage::mn}) {
            setLanguage(language);
            QCoreApplication::processEvents();
            for (const QLabel* label : page.findChildren<QLabel*>()) {
                EXPECT_FALSE(stored.match(label->text()).hasMatch()) << label->text().toStdString();
            }
        }
        setLanguage(shown);
        QCoreApplication::processEvents();
    }

    void sampleData()
    {
        signInWith({{"SIGN", "OK", "2026-02-01T08:30:45Z"},
                    {"SIGN", "TIMEOUT", kTime},
                    {"AUTH", "USER_REFUSED", kTime},
                    {"AUTH", "OK", "not a date"}},
                   QStringLiteral("DAN"));
    }
};

} // namespace orvela::dashboardtest
