#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace kestrum {

// How to add the speech codec to a system that lacks it, shown modally when
// the user asks for it.
class CodecInstructions : public QDialog {
    Q_OBJECT

  public:
    explicit CodecInstructions(QWidget* parent = nullptr);

  private:
    QPlainTextEdit* instructionsText_;
    QPushButton* closeButton_;
};

} // namespace kestrum
