// Driving the program's windows from a test on Qt's offscreen platform.
#pragma once

#include <QCoreApplication>
#include <QImage>
#include <QStringList>
#include <QTest>
#include <QWidget>

namespace orv::test {

// Open shows and activates a window and waits for its activation; Type sends characters one at
// a time (QTest::keyClicks stops at Latin-1); Settle runs what is posted and deleted later.
template <class W>
W& Open(W& window) {
    window.show();
    window.activateWindow();
    (void)QTest::qWaitForWindowActive(&window);
    return window;
}

inline void Type(QWidget* box, const QString& text) {
    for (const char32_t c : text.toUcs4()) {
        const QString key = QString::fromUcs4(&c, 1);
        QTest::sendKeyEvent(QTest::Press, box, Qt::Key_unknown, key, {});
        QTest::sendKeyEvent(QTest::Release, box, Qt::Key_unknown, key, {});
    }
}

inline void Settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

template <class Controls>
QStringList Captions(const Controls& controls) {
    QStringList out;
    for (const auto* control : controls) out << control->text();
    return out;
}

template <class W>
QRect InkRect(W* widget) {  // the bounds of the pixels that the widget's text changes
    const QString text = widget->text();
    const QImage shown = widget->grab().toImage();
    widget->setText(QString());
    const QImage blank = widget->grab().toImage();
    widget->setText(text);
    QRect ink;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != blank.pixel(x, y)) ink |= QRect(x, y, 1, 1);
    return ink;
}

}  // namespace orv::test
