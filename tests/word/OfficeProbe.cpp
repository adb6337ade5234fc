// The test's own view into the office, as a separate process. UNO keeps one
// proxy per office object in a process, so a second connection inside the
// test process would share (and disturb) the bridge under test; from here
// the bridge under test is the only UNO client in its process, as in the
// program.
//
// Usage: orv_office_probe <pipe name>. Reads one JSON request per line on
// stdin ({"op": ..., arguments}) and answers one JSON line on stdout:
// {"ok": true, "value": ...} or {"ok": false, "error": "..."}.
#include "word/OfficeConnection.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/datatransfer/DataFlavor.hpp>
#include <com/sun/star/datatransfer/XTransferable.hpp>
#include <com/sun/star/datatransfer/clipboard/SystemClipboard.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextViewCursor.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <cppu/unotype.hxx>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QThread>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

using namespace orv::word::detail;
namespace frame = css::frame;
namespace text = css::text;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

struct Office {
    explicit Office(const QString& pipe) : connection(pipe) {}

    OfficeConnection connection;
    Reference<css::uno::XComponentContext> context;
    Reference<frame::XDesktop2> desktop;

    void Connect() {
        const auto remote = connection.Context();
        if (remote.get() != context.get()) {
            desktop.clear();
            context = remote;
            desktop = frame::Desktop::create(remote);
        }
    }

    void Forget() {
        connection.Disconnect();
        desktop.clear();
        context.clear();
    }

    Reference<text::XTextDocument> Document() const {
        return Reference<text::XTextDocument>(desktop->getCurrentComponent(), UNO_QUERY_THROW);
    }

    Reference<text::XTextViewCursor> ViewCursor() const {
        const Reference<frame::XModel> model(Document(), UNO_QUERY_THROW);
        return Reference<text::XTextViewCursorSupplier>(model->getCurrentController(),
                                                        UNO_QUERY_THROW)
            ->getViewCursor();
    }
};

QString Lines(QString s) {
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

void CloseDocuments(const Office& office) {
    const auto documents = office.desktop->getComponents()->createEnumeration();
    std::vector<Reference<css::util::XCloseable>> open;
    while (documents->hasMoreElements()) open.emplace_back(documents->nextElement(), UNO_QUERY);
    for (const auto& document : open) {
        if (document.is()) document->close(true);
    }
}

bool NewDocument(const Office& office, const QString& content) {
    CloseDocuments(office);
    const Reference<frame::XComponentLoader> loader(office.desktop, UNO_QUERY_THROW);
    const Reference<text::XTextDocument> document(
        loader->loadComponentFromURL("private:factory/swriter", "_blank", 0, {}), UNO_QUERY_THROW);
    document->getText()->setString(ToOUString(content));
    // The desktop makes the new document its current component a moment
    // after loading it.
    for (int i = 0; i < 500; ++i) {
        const Reference<text::XTextDocument> current(office.desktop->getCurrentComponent(),
                                                     UNO_QUERY);
        if (current.is() && current == document) {
            office.ViewCursor()->gotoStart(false);
            return true;
        }
        QThread::msleep(10);
    }
    return false;
}

QJsonArray Portions(const Office& office) {
    QJsonArray portions;
    const Reference<css::container::XEnumerationAccess> body(office.Document()->getText(),
                                                             UNO_QUERY_THROW);
    const auto paragraphs = body->createEnumeration();
    bool first = true;
    while (paragraphs->hasMoreElements()) {
        const Reference<css::container::XEnumerationAccess> paragraph(paragraphs->nextElement(),
                                                                      UNO_QUERY_THROW);
        if (!first) portions.append(QJsonObject{{"text", "\n"}});
        first = false;
        const auto parts = paragraph->createEnumeration();
        while (parts->hasMoreElements()) {
            const Reference<text::XTextRange> range(parts->nextElement(), UNO_QUERY_THROW);
            const Reference<css::beans::XPropertySet> properties(range, UNO_QUERY_THROW);
            const QString content = ToQString(range->getString());
            if (content.isEmpty()) continue;
            QJsonObject p{{"text", content}};
            for (const char* name : {"CharFontName", "CharFontNameAsian", "CharFontNameComplex"}) {
                OUString font;
                properties->getPropertyValue(OUString::createFromAscii(name)) >>= font;
                p.insert(QString::fromLatin1(name), ToQString(font));
            }
            portions.append(p);
        }
    }
    return portions;
}

QString ClipboardText(const Office& office) {
    const auto contents =
        css::datatransfer::clipboard::SystemClipboard::create(office.context)->getContents();
    if (!contents.is()) return QString();
    css::datatransfer::DataFlavor flavor;
    flavor.MimeType = "text/plain;charset=utf-16";
    flavor.DataType = cppu::UnoType<OUString>::get();
    OUString value;
    contents->getTransferData(flavor) >>= value;
    return ToQString(value);
}

QJsonValue Handle(const Office& office, const QJsonObject& request) {
    const QString op = request.value("op").toString();
    if (op == "ping") return true;
    if (op == "close") {
        CloseDocuments(office);
        return true;
    }
    if (op == "new") return NewDocument(office, request.value("text").toString());
    if (op == "place") {
        const auto cursor = office.ViewCursor();
        cursor->gotoStart(false);
        cursor->goRight(static_cast<sal_Int16>(request.value("from").toInt()), false);
        cursor->goRight(static_cast<sal_Int16>(request.value("length").toInt()), true);
        return true;
    }
    if (op == "text") return Lines(ToQString(office.Document()->getText()->getString()));
    if (op == "before") {
        const auto cursor = office.ViewCursor();
        const auto body = cursor->getText();
        const auto before = body->createTextCursorByRange(body->getStart());
        before->gotoRange(cursor->getStart(), true);
        return Lines(ToQString(before->getString()));
    }
    if (op == "portions") return Portions(office);
    if (op == "clipboard") return ClipboardText(office);
    throw css::uno::RuntimeException("unknown request");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: orv_office_probe <pipe name>\n");
        return 2;
    }
    {
        Office office(QString::fromLocal8Bit(argv[1]));
        std::string line;
        while (std::getline(std::cin, line)) {
            const QJsonObject request =
                QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
            QJsonObject reply{{"ok", false}};
            // A connection that broke (the office was restarted) is made
            // again once.
            for (int attempt = 0; attempt < 2; ++attempt) {
                try {
                    office.Connect();
                    reply = QJsonObject{{"ok", true}, {"value", Handle(office, request)}};
                    break;
                } catch (const css::uno::Exception& e) {
                    reply = QJsonObject{{"ok", false}, {"error", ToQString(e.Message)}};
                } catch (...) {
                    reply = QJsonObject{{"ok", false}, {"error", "unknown failure"}};
                }
                office.Forget();
            }
            std::cout << QJsonDocument(reply).toJson(QJsonDocument::Compact).toStdString()
                      << std::endl;
        }
        office.Forget();
    }
    return 0;
}
