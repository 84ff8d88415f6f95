#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("KRM-416X 3.1"));
    window.resize(1024, 700);
    window.show();
    return QApplication::exec();
}
