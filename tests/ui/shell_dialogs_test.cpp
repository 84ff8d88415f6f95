#include "kit/kit_style.h"
#include "ui/name_dialog.h"
#include "ui/program_icon.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace krm::ui {
namespace {

QString zh(const char* utf8) {
    return QString::fromUtf8(utf8);
}

TEST(NameLimit, CountsGbkBytesWithChineseCharactersTwoWide) {
    EXPECT_EQ(GbkByteLength(QStringLiteral("ABCDEFGH")), 8);
    EXPECT_EQ(GbkByteLength(zh("话筒一二")), 8);
    EXPECT_EQ(GbkByteLength(zh("话筒A")), 5);
    EXPECT_EQ(GbkByteLength(QString()), 0);
    EXPECT_TRUE(NameFitsLimit(QStringLiteral("ABCDEFGH")));
    EXPECT_FALSE(NameFitsLimit(QStringLiteral("ABCDEFGHI")));
    EXPECT_TRUE(NameFitsLimit(zh("话筒一二")));
    EXPECT_FALSE(NameFitsLimit(zh("话筒一二三")));
    EXPECT_FALSE(NameFitsLimit(zh("话筒一二A"))); // 9 bytes
    EXPECT_TRUE(NameFitsLimit(QString()));
}

class NameDialogTest : public ::testing::Test {
protected:
    // Types the text and presses OK; returns whether the dialog accepted it.
    bool submit(NameDialog& dialog, const QString& text) {
        dialog.edit()->setText(text);
        QSignalSpy refused(&dialog, &NameDialog::nameRefused);
        dialog.accept();
        const bool accepted = dialog.result() == QDialog::Accepted;
        EXPECT_EQ(refused.count(), accepted ? 0 : 1);
        return accepted;
    }
    QMessageBox* messageOf(QWidget& dialog) { return dialog.findChild<QMessageBox*>(); }
};

TEST_F(NameDialogTest, EightLatinCharactersAreAcceptedNineRefusedWithTheMessage) {
    NameDialog dialog(QStringLiteral("CH 1"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("NAME"));
    EXPECT_EQ(dialog.name(), QStringLiteral("CH 1"));
    dialog.open();
    EXPECT_FALSE(submit(dialog, QStringLiteral("ABCDEFGHI")));
    EXPECT_TRUE(dialog.isVisible()); // stays open with the text as typed
    EXPECT_EQ(dialog.name(), QStringLiteral("ABCDEFGHI"));
    QMessageBox* box = messageOf(dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Channel name is too long."));
    box->close();

    EXPECT_TRUE(submit(dialog, QStringLiteral("ABCDEFGH")));
    EXPECT_EQ(dialog.name(), QStringLiteral("ABCDEFGH"));
}

TEST_F(NameDialogTest, FourChineseCharactersAreAcceptedFiveRefused) {
    NameDialog refuse(QString{});
    refuse.open();
    EXPECT_FALSE(submit(refuse, zh("话筒一二三")));
    NameDialog accept(QString{});
    accept.open();
    EXPECT_TRUE(submit(accept, zh("话筒一二")));
    NameDialog empty(QStringLiteral("X"));
    empty.open();
    EXPECT_TRUE(submit(empty, QString())); // an empty name is accepted
}

TEST(AboutBoxTest, ShowsTheProgramNameAndClosesWithItsButton) {
    AboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("KRM-416X 3.1"));
    bool captioned = false;
    for (QLabel* label : box.findChildren<QLabel*>())
        captioned = captioned || label->text() == QStringLiteral("KRM-416X 3.1");
    EXPECT_TRUE(captioned);
    QPushButton* ok = box.findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    // The button's own text is "确定"; the English interface reads "OK".
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    box.open();
    ok->click();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

// The dialogs are drawn in the program's skin: the dark panel behind everything and dark
// button faces, not the light default look; the about box shows the program's icon.
TEST(DialogSkin, NameDialogAndAboutBoxUseTheDarkPanelAndTheProgramIcon) {
    NameDialog name(QStringLiteral("CH 1"));
    AboutBox about;
    for (QDialog* dialog : {static_cast<QDialog*>(&name), static_cast<QDialog*>(&about)}) {
        SCOPED_TRACE(dialog->objectName().toStdString());
        dialog->show();
        const QImage shot = dialog->grab().toImage();
        EXPECT_EQ(QColor(shot.pixel(2, 2)), style::kPanel);
        EXPECT_EQ(QColor(shot.pixel(shot.width() - 3, shot.height() - 3)), style::kPanel);
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            const QPoint inside = button->mapTo(dialog, QPoint(6, button->height() / 2));
            EXPECT_LT(QColor(shot.pixel(inside)).lightness(), 110) << button->text().toStdString();
        }
        dialog->close();
    }
    // The edit box stays white with dark text, as on the device's display.
    EXPECT_EQ(name.edit()->grab().toImage().pixelColor(name.edit()->width() - 4, 4),
              QColor(Qt::white));

    ASSERT_FALSE(ProgramIcon().isNull());
    const QLabel* icon = about.findChild<QLabel*>(QStringLiteral("aboutIcon"));
    ASSERT_NE(icon, nullptr);
    ASSERT_FALSE(icon->pixmap().isNull());
    EXPECT_EQ(icon->pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
              ProgramIcon().pixmap(64, 64).toImage().convertToFormat(QImage::Format_ARGB32));
}

} // namespace
} // namespace krm::ui
