// Driving the program's windows from a test on Qt's offscreen platform.
#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QStringList>
#include <QTest>
#include <QWidget>

namespace orv::test {

// Shows the window, activates it and waits until it is the active window
// (its activation handling has run then).
template <class W>
W& Open(W& window) {
    window.show();
    window.activateWindow();
    [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(&window);
    return window;
}

// Types the text into a box one character at a time, as the keyboard does.
// QTest::keyClicks cannot send text beyond Latin-1.
inline void Type(QWidget* box, const QString& text) {
    for (const char32_t c : text.toUcs4()) {
        const QString key = QString::fromUcs4(&c, 1);
        QTest::sendKeyEvent(QTest::Press, box, Qt::Key_unknown, key, {});
        QTest::sendKeyEvent(QTest::Release, box, Qt::Key_unknown, key, {});
    }
}

// Runs what is posted, and deletes what was deleted later (unloaded windows).
inline void Settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The captions of a row of buttons or labels, in order.
template <class Controls>
QStringList Captions(const Controls& controls) {
    QStringList out;
    for (const auto* control : controls) out << control->text();
    return out;
}

// Where a widget's text leaves ink: the bounds of the pixels in which the
// widget as shown differs from the same widget with its text emptied.
template <class W>
QRect InkRect(W* widget) {
    const QString text = widget->text();
    const QImage shown = widget->grab().toImage();
    widget->setText(QString());
    const QImage blank = widget->grab().toImage();
    widget->setText(text);
    QRect ink;
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            if (shown.pixel(x, y) != blank.pixel(x, y)) ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

}  // namespace orv::test
