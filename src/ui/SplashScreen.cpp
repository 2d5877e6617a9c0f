#include "ui/SplashScreen.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace kestrum {

SplashScreen::SplashScreen(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      stepLabel(new QLabel(this)) {
    setObjectName("splashScreen");
    stepLabel->setObjectName("stepLabel");
    stepLabel->setTextFormat(Qt::PlainText);
    stepLabel->setAlignment(Qt::AlignCenter);
    stepLabel->setMinimumWidth(313);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(7, 2, 7, 2);
    layout->addWidget(stepLabel);
    resize(328, 22);
}

void SplashScreen::paintNow() {
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SplashScreen::setCaption(const std::string& caption) {
    setWindowTitle(QString::fromLocal8Bit(caption.c_str()));
    paintNow();
}

void SplashScreen::setStepText(const std::string& text) {
    stepLabel->setText(QString::fromLocal8Bit(text.c_str()));
    paintNow();
}

void SplashScreen::show() {
    adjustSize();
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::show();
    paintNow();
}

void SplashScreen::hide() {
    QDialog::hide();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SplashScreen::close() {
    QDialog::close();
}

} // namespace kestrum
