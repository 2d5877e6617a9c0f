#include "ui/CodecInstructions.h"

#include <QFont>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrum {

namespace {

const char* const kInstructionLines[] = {
    "Adding the DSP TrueSpeech Codec:",
    "",
    "In Control Panel, double-click Add New Hardware.",
    "Click Next, click Next, select No and then click Next.",
    "In the Hardware Types box, select Sound, Video, and Game Controllers and ",
    "then click Next.",
    "In the Manufactures box, select DSP Group.",
    "In the Models box, select TrueSpeech(TM) Software CODEC.",
    "Click Next, and follow the instructions.",
    "",
    "",
};

} // namespace

CodecInstructions::CodecInstructions(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                          Qt::WindowCloseButtonHint),
      Memo1(new QPlainTextEdit(this)), CloseWindowBtn(new QPushButton("&Close Window", this)) {
    setObjectName("CodecInstructions");
    setWindowTitle("Codec Activation Instructions");
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setAccessibleName("Codec activation instructions");
    QFont bold = Memo1->font();
    bold.setPointSize(10);
    bold.setBold(true);
    Memo1->setFont(bold);
    QStringList lines;
    for (const char* line : kInstructionLines)
        lines << QString::fromLatin1(line);
    Memo1->setPlainText(lines.join('\n'));
    CloseWindowBtn->setObjectName("CloseWindowBtn");
    CloseWindowBtn->setAccessibleName("Close Window");
    connect(CloseWindowBtn, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Memo1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CloseWindowBtn);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    resize(563, 227);
}

} // namespace kestrum
