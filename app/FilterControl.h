#pragma once

#include "commands/FilterText.h"
#include "commands/Procedure.h"
#include "platform/SettingsStorage.h"

#include <QObject>
#include <QString>

#include <functional>

class QLineEdit;

// Text1 on screen, and its text as the commands read it. Every change of the box runs Text1_Change through
// `start`, as a command does. Made with the window's state, before its controls: Text1 comes with `attach`.
class FilterControl : public FilterText
{
public:
    using Starter = std::function<void(std::function<void()>)>;
    FilterControl(SettingsStorage& settings, Starter start);
    ~FilterControl() override;
    void attach(QLineEdit& Text1);

    QString text() const override; // Text1's text, read afresh
    // Shows the text; the change runs once, also when Text1 showed it already.
    void setText(const QString& text);
    // Shows the text without storing it: start-up's "*" when the stored filter could not be read.
    void showUnstored(const QString& text);

private:
    void changed();

    QLineEdit* m_text1 = nullptr;
    SettingsStorage& m_settings;
    Starter m_start;
    QMetaObject::Connection m_changes;
};

// "All Files": the filter "*".
void PushButton15_Click(Reporter& reporter, FilterControl& filter);
