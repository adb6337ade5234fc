#include "word/WriterBackend.h"

#include "word/Logging.h"
#include "word/OfficeConnection.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/DispatchHelper.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XDispatchProvider.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/text/ControlCharacter.hpp>
#include <com/sun/star/text/XTextAppend.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextViewCursor.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>

#include <utility>

namespace orv::word::detail {

namespace frame = css::frame;
namespace text = css::text;
namespace uno = css::uno;
using css::beans::PropertyValue;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

// The office has no Writer document as its current component.
struct NoDocument {};

// Runs one step of an operation. A failing step is skipped and the
// operation goes on with its next step.
template <class F>
bool Step(F&& step) {
    try {
        step();
        return true;
    } catch (const uno::Exception& e) {
        qCWarning(lcWord, "A document step failed: %s", qUtf8Printable(ToQString(e.Message)));
    } catch (...) {
        qCWarning(lcWord, "A document step failed with an unknown exception");
    }
    return false;
}

// Writer picks the font of each character by its script class: Western,
// Asian or Complex (which takes Siddham and Devanagari). The font goes to
// all three so it shows whatever the text is.
Sequence<PropertyValue> FontProperties(const OUString& fontName) {
    Sequence<PropertyValue> properties(3);
    PropertyValue* p = properties.getArray();
    p[0].Name = "CharFontName";
    p[1].Name = "CharFontNameAsian";
    p[2].Name = "CharFontNameComplex";
    for (int i = 0; i < 3; ++i) p[i].Value <<= fontName;
    return properties;
}

// Where inserted text goes.
enum class Place {
    // At the end of the selection, which grows over the text, as a
    // selection grows over text added after it. No move of its own.
    EndOfSelection,
    // After the selection collapses to its end: the insertion point then
    // follows the text, as it follows typed text.
    AfterCollapse,
};

}  // namespace

struct WriterBackend::Impl {
    explicit Impl(const QString& pipeName) : connection(pipeName) {}

    OfficeConnection connection;
    // Office objects of the current connection.
    Reference<uno::XComponentContext> context;
    Reference<frame::XDesktop2> desktop;
    Reference<frame::XDispatchHelper> dispatcher;
    // The current document as the last operation found it, with its view.
    Reference<css::lang::XComponent> document;
    Reference<frame::XModel> model;
    Reference<frame::XController> controller;
    Reference<text::XTextViewCursor> cursor;

    // The text the view cursor was last found in, and its portion insertion.
    Reference<text::XText> body;
    Reference<text::XTextAppend> append;
    // The first half of InsertInFont has just written its text, so the
    // second half finds the insertion point where the first left it.
    bool firstHalfDone = false;
    bool textKnown = false;

    void ForgetDocument() {
        append.clear();
        body.clear();
        cursor.clear();
        controller.clear();
        model.clear();
        document.clear();
    }

    void ForgetAll() {
        ForgetDocument();
        dispatcher.clear();
        desktop.clear();
        context.clear();
    }

    // The view cursor of the office's current Writer document: the
    // insertion point. Asks the office for its current component and that
    // document's current window on every call; the view cursor is kept while
    // both stay the same.
    // Throws NoDocument, or a UNO exception when the office fails.
    Reference<text::XTextViewCursor> Cursor() {
        const Reference<uno::XComponentContext> remote = connection.Context();
        if (remote.get() != context.get()) {
            ForgetAll();
            desktop = frame::Desktop::create(remote);
            context = remote;
        }
        const Reference<css::lang::XComponent> current = desktop->getCurrentComponent();
        if (!current.is()) throw NoDocument();
        if (current.get() != document.get() || !model.is()) {
            ForgetDocument();
            if (!Reference<text::XTextDocument>(current, UNO_QUERY).is()) throw NoDocument();
            model.set(current, UNO_QUERY_THROW);
            document = current;
        }
        // The document may show in more than one window: the insertion
        // point is that of the window last active.
        const Reference<frame::XController> view = model->getCurrentController();
        if (view.get() != controller.get() || !cursor.is()) {
            cursor.clear();
            controller.clear();
            const Reference<text::XTextViewCursor> viewCursor =
                Reference<text::XTextViewCursorSupplier>(view, UNO_QUERY_THROW)->getViewCursor();
            if (!viewCursor.is()) throw NoDocument();
            controller = view;
            cursor = viewCursor;
        }
        return cursor;
    }

    // The text the insertion point stands in (body, table cell, frame...)
    // and where in it to insert. The text's portion insertion is kept with
    // it, so asking for it again costs no call to the office.
    Reference<text::XTextRange> Position(const Reference<text::XTextViewCursor>& at, Place place) {
        const Reference<text::XText> text = textKnown ? body : at->getText();
        if (text.get() != body.get()) {
            append.clear();
            body = text;
            append.set(text, UNO_QUERY);
        }
        Reference<text::XTextRange> position;
        if (place == Place::AfterCollapse && Step([&] { at->collapseToEnd(); })) {
            position.set(at.get());
        } else {
            position = at->getEnd();
        }
        return position;
    }

    // Inserts the text at the insertion point as one portion carrying the
    // font, so the font covers exactly these characters whatever their
    // length in UTF-16. With no font name, or when the font is refused, the
    // text takes the formatting found there. Throws when the document
    // refuses the text.
    void Insert(const Reference<text::XTextViewCursor>& at, const OUString& content,
                const QString& fontName, Place place) {
        const Reference<text::XTextRange> position = Position(at, place);
        if (!fontName.isEmpty() && append.is() && Step([&] {
                append->insertTextPortion(content, FontProperties(ToOUString(fontName)), position);
            })) {
            return;
        }
        body->insertString(position, content, false);
    }

    // Finds the insertion point, then runs the operation's steps on it.
    // When a kept connection turns out broken (the office ended, or ended
    // and started again), it is made again once before giving up.
    template <class Steps>
    Delivery Run(Steps&& steps) {
        firstHalfDone = false;
        for (int attempt = 0; attempt < 2; ++attempt) {
            const bool kept = connection.Connected();
            // Nothing from a closed connection outlives it: a proxy left
            // behind would stand in for the office's object on the next one.
            if (!kept) ForgetAll();
            Reference<text::XTextViewCursor> at;
            try {
                at = Cursor();
            } catch (const NoDocument&) {
                qCDebug(lcWord, "The office has no Writer document as its current component");
                ForgetDocument();
                return Delivery::NoDocument;
            } catch (const uno::Exception& e) {
                ForgetAll();
                if (kept) {
                    qCInfo(lcWord, "The connection to the office broke (%s): connecting again",
                           qUtf8Printable(ToQString(e.Message)));
                    connection.Disconnect();
                    continue;
                }
                // The usual state while no office runs: not worth a line
                // on every operation.
                qCDebug(lcWord, "No office reached: %s", qUtf8Printable(ToQString(e.Message)));
                return Delivery::NoOffice;
            } catch (...) {
                qCWarning(lcWord, "Reaching the office failed with an unknown exception");
                ForgetAll();
                return Delivery::NoOffice;
            }
            bool done = false;
            try {
                done = steps(at);
            } catch (const uno::Exception& e) {
                qCWarning(lcWord, "A document operation failed: %s",
                          qUtf8Printable(ToQString(e.Message)));
            } catch (...) {
                qCWarning(lcWord, "A document operation failed with an unknown exception");
            }
            at.clear();
            if (done) return Delivery::Done;
            ForgetDocument();
            if (connection.Connected()) return Delivery::NoDocument;
            ForgetAll();
            connection.Disconnect();
            return Delivery::NoOffice;
        }
        return Delivery::NoOffice;
    }
};

WriterBackend::WriterBackend(const QString& pipeName) : impl_(std::make_unique<Impl>(pipeName)) {}

WriterBackend::~WriterBackend() { Disconnect(); }

Delivery WriterBackend::InsertInFont(const QString& text, const QString& fontName, bool blank) {
    // Text and blank go in as one portion after the collapsed selection:
    // the result of the two halves, in two calls to the office fewer.
    const QString content = blank ? text + QLatin1Char(' ') : text;
    return impl_->Run([&](const Reference<text::XTextViewCursor>& cursor) {
        if (content.isEmpty()) return Step([&] { cursor->collapseToEnd(); });
        return Step(
            [&] { impl_->Insert(cursor, ToOUString(content), fontName, Place::AfterCollapse); });
    });
}

Delivery WriterBackend::InsertFontAndText(const QString& text, const QString& fontName) {
    impl_->firstHalfDone = false;
    if (text.isEmpty()) return Delivery::Done;  // nothing to write: no need for the office
    // After a collapsed selection, so the insertion point already follows
    // the text, as it follows typed text: the second half then has no move
    // of its own to make, which saves the commit a call to the office.
    const Delivery delivery = impl_->Run([&](const Reference<text::XTextViewCursor>& cursor) {
        return Step(
            [&] { impl_->Insert(cursor, ToOUString(text), fontName, Place::AfterCollapse); });
    });
    impl_->firstHalfDone = delivery == Delivery::Done;
    return delivery;
}

Delivery WriterBackend::InsertBlankAndMove(bool blank, const QString& fontName) {
    const auto steps = [&](const Reference<text::XTextViewCursor>& cursor) {
        if (!blank) return Step([&] { cursor->collapseToEnd(); });
        return Step([&] { impl_->Insert(cursor, " ", fontName, Place::AfterCollapse); });
    };
    // Right after the first half, in the same document and text: no need
    // to ask the office for them again, nor to move without a blank.
    if (std::exchange(impl_->firstHalfDone, false) && impl_->cursor.is() &&
        impl_->connection.Connected()) {
        if (!blank) return Delivery::Done;
        impl_->textKnown = true;
        const bool done = steps(impl_->cursor);
        impl_->textKnown = false;
        if (done) return Delivery::Done;
        impl_->ForgetDocument();
        return impl_->connection.Connected() ? Delivery::NoDocument : Delivery::NoOffice;
    }
    return impl_->Run(steps);
}

Delivery WriterBackend::InsertText(const QString& text) {
    if (text.isEmpty()) return Delivery::Done;
    return impl_->Run([&](const Reference<text::XTextViewCursor>& cursor) {
        return Step(
            [&] { impl_->Insert(cursor, ToOUString(text), QString(), Place::EndOfSelection); });
    });
}

Delivery WriterBackend::NewParagraph() {
    return impl_->Run([&](const Reference<text::XTextViewCursor>& cursor) {
        // The break goes after a selection, never in its place; the
        // insertion point then starts the new paragraph.
        return Step([&] {
            const Reference<text::XTextRange> position =
                impl_->Position(cursor, Place::AfterCollapse);
            impl_->body->insertControlCharacter(position, text::ControlCharacter::PARAGRAPH_BREAK,
                                                false);
        });
    });
}

Delivery WriterBackend::CopySelection() {
    return impl_->Run([&](const Reference<text::XTextViewCursor>&) {
        return Step([&] {
            const Reference<frame::XDispatchProvider> frame(impl_->controller->getFrame(),
                                                            UNO_QUERY_THROW);
            if (!impl_->dispatcher.is()) {
                impl_->dispatcher = frame::DispatchHelper::create(impl_->context);
            }
            impl_->dispatcher->executeDispatch(frame, ".uno:Copy", OUString(), 0,
                                               Sequence<PropertyValue>());
        });
    });
}

Delivery WriterBackend::Probe() {
    return impl_->Run([](const Reference<text::XTextViewCursor>&) { return true; });
}

bool WriterBackend::Connected() const { return impl_->connection.Connected(); }

void WriterBackend::Abort() { impl_->connection.Abort(); }

void WriterBackend::BeginCall() { impl_->connection.ClearAbort(); }

void WriterBackend::Disconnect() {
    // The bridge goes first, so releasing the office objects afterwards
    // sends nothing to an office that may not answer.
    impl_->connection.Disconnect();
    impl_->ForgetAll();
}

}  // namespace orv::word::detail
