// A window with one text field, for typing through an input method by hand
// or in a script (the candidate window screenshot). It prints what the field
// holds when it closes.
#include <QApplication>
#include <QLineEdit>
#include <QTextStream>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLineEdit field;
    field.setWindowTitle(QStringLiteral("Orvanta text field"));
    QFont font = field.font();
    font.setPointSize(20);
    field.setFont(font);
    field.resize(420, 60);
    field.move(40, 40);
    field.show();
    const int status = app.exec();
    QTextStream(stdout) << field.text() << Qt::endl;
    return status;
}
