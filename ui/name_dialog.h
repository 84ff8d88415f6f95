#pragma once
// NameDialog: the modal "NAME" dialog used wherever the operator names something (a
// channel or output, a preset, a stored device setting). The name is limited to 8 bytes
// in the local code page (GBK: a Chinese character takes two bytes); a longer one shows
// "Channel name is too long." and the dialog stays open with the text as typed.
// UI thread only.

#include <QDialog>
#include <QString>

#include <optional>

class QLineEdit;

namespace krm::ui {

inline constexpr int kNameByteLimit = 8;

// Length of the text in GBK bytes (characters GBK cannot hold count as one byte, as they
// are stored as '?').
int GbkByteLength(const QString& text);
bool NameFitsLimit(const QString& text);

class NameDialog : public QDialog {
    Q_OBJECT
public:
    explicit NameDialog(const QString& current, QWidget* parent = nullptr);

    QString name() const;
    QLineEdit* edit() const { return m_edit; }

    // Runs the dialog: the new name, or nothing when the operator cancels.
    static std::optional<QString> editName(const QString& current, QWidget* parent);

public slots:
    void accept() override;

signals:
    // Emitted when OK is pressed with a name over the limit (before the message box).
    void nameRefused();

private:
    QLineEdit* m_edit;
};

// AboutBox: the modal box of the top bar's ABOUT button and the top area's context-menu
// item: the program icon, "KRM-416X 3.1" and a "确定" button that closes it. Both dialogs
// are drawn in the control kit's colours.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

} // namespace krm::ui
