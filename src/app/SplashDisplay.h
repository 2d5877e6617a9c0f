#pragma once

#include <string>

namespace kestrum {

// The small window that shows which start-up step is running. Start-up runs before the message
// loop, so an implementation repaints at once on every change.
class SplashDisplay {
  public:
    virtual ~SplashDisplay() = default;
    virtual void setCaption(const std::string& caption) = 0;
    virtual void setStepText(const std::string& text) = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual void close() = 0;
};

// Start-up without a splash window: the step texts go nowhere.
class NoSplash : public SplashDisplay {
  public:
    void setCaption(const std::string&) override {}
    void setStepText(const std::string&) override {}
    void show() override {}
    void hide() override {}
    void close() override {}
};

} // namespace kestrum
