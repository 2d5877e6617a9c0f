#pragma once

#include "app/SplashDisplay.h"

#include <QDialog>

class QLabel;

namespace kestrum {

// TSplashScreen: the small always-on-top window that names the start-up step in progress. Start-up
// runs before the message loop, so every change is painted at once.
class SplashScreen : public QDialog, public SplashDisplay {
    Q_OBJECT

  public:
    explicit SplashScreen(QWidget* parent = nullptr);

    void setCaption(const std::string& caption) override;
    void setStepText(const std::string& text) override;
    void show() override;
    void hide() override;
    void close() override;

    QLabel* label() const { return stepLabel; }

  private:
    void paintNow();

    QLabel* stepLabel;
};

} // namespace kestrum
