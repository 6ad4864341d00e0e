// The baseline Velorwind's footprint is compared with: the status dialog as
// a plain Qt Widgets program would write it. A QDialog holding a grid of 35
// QLabels (seven rows of a caption and four figures), a QSystemTrayIcon and
// a one-second QTimer that rewrites every label text. Like Velorwind it
// refreshes only while shown: showing starts the timer, hiding (Escape, or a
// tap on the tray icon) stops it, so "hidden" measures Qt's own idle cost.
#include <QApplication>
#include <QColor>
#include <QDialog>
#include <QGridLayout>
#include <QHideEvent>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QPixmap>
#include <QShowEvent>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include <array>
#include <cstdint>

namespace {

constexpr int ROWS = 7;
constexpr int COLUMNS = 5;
constexpr int REFRESH_PERIOD_MS = 1000;

class NaiveStatusDialog : public QDialog {
public:
    NaiveStatusDialog() {
        setWindowTitle(QStringLiteral(u"Naive dialog - ｼｽﾃﾑ情報"));
        auto* grid = new QGridLayout(this);
        for (int row = 0; row < ROWS; ++row) {
            for (int column = 0; column < COLUMNS; ++column) {
                auto* label = new QLabel(this);
                // Figures are right-aligned, as byte counts are in a status dialog.
                if (column > 0) label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
                grid->addWidget(label, row, column);
                labels_[static_cast<std::size_t>(row * COLUMNS + column)] = label;
            }
        }
        refreshTimer_.setInterval(REFRESH_PERIOD_MS);
        QObject::connect(&refreshTimer_, &QTimer::timeout, this, [this] { Refresh(); });
        Refresh();
    }

protected:
    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        refreshTimer_.start();
    }
    void hideEvent(QHideEvent* event) override {
        refreshTimer_.stop();
        QDialog::hideEvent(event);
    }

private:
    // Every text changes on every tick, so every label repaints: the same
    // work a status dialog with moving figures asks of Qt.
    void Refresh() {
        ++tick_;
        const QLocale locale(QLocale::English);
        for (int row = 0; row < ROWS; ++row) {
            labels_[static_cast<std::size_t>(row * COLUMNS)]->setText(
                QStringLiteral(u"項目 %1 (%2)").arg(row + 1).arg(tick_ % 60));
            for (int column = 1; column < COLUMNS; ++column) {
                const std::uint64_t figure =
                    (tick_ * 7919u + static_cast<std::uint64_t>(row * COLUMNS + column) * 104729u) *
                    1000003u % 8589934592u;
                labels_[static_cast<std::size_t>(row * COLUMNS + column)]->setText(
                    locale.toString(static_cast<qulonglong>(figure)));
            }
        }
    }

    std::array<QLabel*, ROWS * COLUMNS> labels_{};
    QTimer refreshTimer_;
    std::uint64_t tick_ = 0;
};

QIcon TrayIconImage() {
    QPixmap pixmap(16, 16);
    pixmap.fill(QColor(0x30, 0x70, 0xC0));
    return QIcon(pixmap);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Hiding the dialog must not end the program; the tray icon stays.
    QApplication::setQuitOnLastWindowClosed(false);

    NaiveStatusDialog dialog;
    QSystemTrayIcon trayIcon(TrayIconImage());
    trayIcon.setToolTip(dialog.windowTitle());
    QObject::connect(&trayIcon, &QSystemTrayIcon::activated, &dialog,
                     [&dialog] { dialog.setVisible(!dialog.isVisible()); });
    trayIcon.show();
    dialog.show();
    return QApplication::exec();
}
