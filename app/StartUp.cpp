#include "app/StartUp.h"

#include "app/MainWindow.h"
#include "app/PaneView.h"
#include "platform/Failure.h"
#include "platform/PathStyle.h"
#include "settings/SettingsStore.h"

#include <QGroupBox>
#include <QIcon>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QSignalBlocker>
#include <QtEndian>

QString ApplicationTitleFor(QString name)
{
    constexpr int kMostCharacters = 40;
    while (name.size() > kMostCharacters) {
        const qsizetype space = name.lastIndexOf(QChar(u' '));
        name.truncate(space > 0 ? space : kMostCharacters);
    }
    return name;
}

QCursor cursorFromFile(const QByteArray& content)
{
    // ICONDIR (reserved, type 2 = cursor, count), then the first ICONDIRENTRY, whose bytes 4 to 7 hold the
    // hot spot.
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(content.constData() + at); };
    if (content.size() < 22 || u16(0) != 0 || u16(2) != 2 || u16(4) == 0)
        throw Failure(QStringLiteral("Invalid picture"));
    const QImage image = QImage::fromData(content, "CUR");
    if (image.isNull())
        throw Failure(QStringLiteral("Invalid picture"));
    return QCursor(QPixmap::fromImage(image), u16(6 + 4), u16(6 + 6));
}

namespace {
bool g_styleSheetComplaint = false;
QtMessageHandler g_previousHandler = nullptr;

void noteStyleSheetComplaint(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.contains(QStringLiteral("Could not parse")))
        g_styleSheetComplaint = true;
    else if (g_previousHandler)
        g_previousHandler(type, context, message);
}
} // namespace

void checkStyleSheet(const QString& sheet)
{
    // Qt only warns about a sheet it cannot parse; listen for that warning on a widget of its own.
    g_styleSheetComplaint = false;
    g_previousHandler = qInstallMessageHandler(noteStyleSheetComplaint);
    {
        QWidget probe;
        probe.setStyleSheet(sheet);
        probe.ensurePolished();
    }
    qInstallMessageHandler(g_previousHandler);
    if (g_styleSheetComplaint)
        throw Failure(QStringLiteral("The skin is not a style sheet that can be read."));
}

void MainWindow::Form_Load()
{
    Procedure proc(m_report, ProcedureText(QStringLiteral("Form1"), QStringLiteral("Form_Load")));
    const QString sep = separator();

    proc.step(100, [&] { ApplySkin(); });
    proc.step(104, [&] { setWindowTitle(kProductName); });
    proc.step(104, [&] {
        setWindowIcon(QIcon::fromTheme(QStringLiteral("tallyfold"), QIcon(QStringLiteral(":/tallyfold-256.png"))));
    });
    proc.step(104, [&] { SetApplicationTitle(); });
    const QString cursorFile = m_sys.programFolder + sep + QStringLiteral("HAND-M.CUR");
    if (proc.test(106, [&] { return m_sys.files.PathExists(cursorFile); }))
        proc.step(108, [&] { m_customPointer = cursorFromFile(m_sys.files.readAll(cursorFile)); });
    proc.step(128, [&] { m_folders.addColumn(QStringLiteral("Directories (Folders)")); });
    proc.step(130, [&] { m_listView1->setColumnWidth(0, twips(7000)); });
    proc.step(132, [&] { m_results.addColumn(QStringLiteral("Results (List of Files)")); });
    proc.step(134, [&] { m_listView2->setColumnWidth(0, twips(7000)); });
    const bool restored = proc.step(136, [&] { m_form.Text1.setText(GetSetting(m_sys.settings, Setting::Filter)); });
    // A filter that could not be read starts as "every file", not as the box's design-time text, which would
    // list nothing. That is no change of the user's: the stored filter stays as it is, a read that failed for
    // a moment never replaces it, and the store is written again once the user changes the box.
    if (!restored) {
        const QSignalBlocker unstored(m_text1);
        m_text1->setText(QStringLiteral("*"));
    }
}

void MainWindow::ApplySkin()
{
    const QString sep = separator();
    const QString skin = m_sys.programFolder + sep + QStringLiteral("x") + sep + QStringLiteral("o.cjs");
    if (!m_sys.files.isNormalFile(skin))
        return;

    m_skinned = true;
    applyColours();

    const QByteArray content = m_sys.files.readAll(skin);
    const QString sheet = QString::fromUtf8(content);
    checkStyleSheet(sheet);
    setStyleSheet(sheet);
    m_skin = sheet;
}

void MainWindow::SetApplicationTitle()
{
    m_form.applicationTitle = ApplicationTitleFor(kProductName);
}
