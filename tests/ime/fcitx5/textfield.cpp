// An application's text field for the Fcitx5 screenshot: it takes its input
// method from QT_IM_MODULE (fcitx) and is typed into with xdotool.
#include <QApplication>
#include <QLineEdit>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLineEdit field;
    field.setWindowTitle(QStringLiteral("Orvanta text field"));
    QFont font = field.font();
    font.setPointSize(14);
    field.setFont(font);
    field.resize(360, 40);
    field.show();
    return app.exec();
}
