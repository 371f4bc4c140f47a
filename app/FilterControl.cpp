#include "app/FilterControl.h"

#include "listing/FilterChange.h"

#include <QLineEdit>
#include <QSignalBlocker>

FilterControl::FilterControl(SettingsStorage& settings, Starter start) : m_settings(settings), m_start(std::move(start))
{}

FilterControl::~FilterControl()
{
    QObject::disconnect(m_changes);
}

void FilterControl::attach(QLineEdit& Text1)
{
    m_text1 = &Text1;
    m_changes = QObject::connect(m_text1, &QLineEdit::textChanged, m_text1, [this] { changed(); });
}

QString FilterControl::text() const
{
    return m_text1->text();
}

void FilterControl::setText(const QString& text)
{
    // The box raises no change of its own for the text it already shows, yet every set is a change: "All
    // Files" on a box showing "*" still stores "*" over whatever the store holds.
    if (m_text1->text() == text)
        changed();
    else
        m_text1->setText(text);
}

void FilterControl::showUnstored(const QString& text)
{
    const QSignalBlocker unstored(m_text1);
    m_text1->setText(text);
}

void FilterControl::changed()
{
    m_start([this] { Text1_Change(m_settings, text()); });
}

void PushButton15_Click(Reporter& reporter, FilterControl& filter)
{
    Procedure proc(reporter, procedureText(QStringLiteral("Form1"), QStringLiteral("PushButton15_Click")));
    proc.step(100, [&] { filter.setText(QStringLiteral("*")); });
}
