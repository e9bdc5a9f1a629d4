#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace quorvane {

class DetectedCodesBox;
class OCRController;

// The content of the Recognized Text window: what the OCR controller is doing and what it found,
// with its stop button, the join and language options, and copying of the text and the codes.
// It keeps nothing of its own: every value is read from the controller, every action calls it.
class OCRResultView : public QWidget {
    Q_OBJECT

public:
    explicit OCRResultView(OCRController& controller, QWidget* parent = nullptr);

    // What the text area shows while there is no recognised text.
    static QString placeholder(const OCRController& controller);

private:
    QWidget* makeHeader();
    QWidget* makeControls();
    QWidget* makeFailure();
    void showState();
    void showText();
    void showPlaceholder();
    void showLanguage();
    void showMessage();

    OCRController& controller_;
    QLabel* title_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QCheckBox* joinLines_ = nullptr;
    QComboBox* language_ = nullptr;
    QPushButton* copyText_ = nullptr;
    QLabel* status_ = nullptr;
    QWidget* failure_ = nullptr;
    QLabel* failureText_ = nullptr;
    DetectedCodesBox* codes_ = nullptr;
    QString shownText_;
};

} // namespace quorvane
