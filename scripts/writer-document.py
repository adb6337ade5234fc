#!/usr/bin/python3
"""Reads the current document of an office that accepts UNO connections.

    writer-document.py --pipe NAME [--changed-from TEXT] [--timeout S] [--pdf FILE]
    writer-document.py --pipe NAME --end-office
    writer-document.py --pipe NAME --serve

Connects on the named pipe, takes the desktop's current document (or the
first text document when no document is current), optionally waits until
its text is other than TEXT (something has been written into it),
optionally exports it to PDF, and prints its text. With --end-office it
ends the office instead, dropping unsaved changes (for an office started
only for a demonstration or a test). With --serve it answers requests, one
JSON object a line on standard input, with one JSON line each on standard
output ({"ok": true, "value": ...} or {"ok": false, "error": ...}): the
test suite's view into its own office (see serve() for the requests). Runs
with the system's Python, which has the office's "uno" module (Debian:
python3-uno).

Exit status: 0 done, 1 no connection or no text document, 2 bad arguments,
3 the text did not change in time, 4 the export failed.
"""

import argparse
import os
import sys
import time

try:
    import uno
    from com.sun.star.beans import PropertyValue
    from com.sun.star.connection import NoConnectException
except ImportError:
    sys.exit("writer-document: the Python module 'uno' is missing (Debian: python3-uno)")


def connect(pipe, deadline, with_context=False):
    """The office's desktop (and its component context), retrying until the
    deadline while the office starts."""
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    url = "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe
    while True:
        try:
            context = resolver.resolve(url)
            desktop = context.ServiceManager.createInstanceWithContext(
                "com.sun.star.frame.Desktop", context)
            return (desktop, context) if with_context else desktop
        except NoConnectException:
            if time.monotonic() >= deadline:
                return (None, None) if with_context else None
            time.sleep(0.2)


def text_document(desktop):
    """The current component when it has text, else the first one that has."""
    current = desktop.getCurrentComponent()
    if current is not None and hasattr(current, "getText"):
        return current
    components = desktop.getComponents().createEnumeration()
    while components.hasMoreElements():
        component = components.nextElement()
        if hasattr(component, "getText"):
            return component
    return None


def end_office(desktop):
    """Ends the office; an ending office leaves no socket files behind."""
    components = desktop.getComponents().createEnumeration()
    while components.hasMoreElements():
        component = components.nextElement()
        if hasattr(component, "setModified"):
            component.setModified(False)  # nothing to ask about on the way out
    try:
        desktop.terminate()
    except Exception:  # the bridge goes down with the office
        pass
    return 0


def lines(text):
    return text.replace("\r\n", "\n").replace("\r", "\n")


def close_documents(desktop):
    components = desktop.getComponents().createEnumeration()
    documents = []
    while components.hasMoreElements():
        documents.append(components.nextElement())
    for document in documents:
        document.close(True)


def new_document(desktop, content):
    """A new Writer document holding the text, current, insertion point at its start."""
    close_documents(desktop)
    document = desktop.loadComponentFromURL("private:factory/swriter", "_blank", 0, ())
    document.getText().setString(content)
    # The desktop makes a new document its current component a moment later.
    for _ in range(500):
        if desktop.getCurrentComponent() == document:
            document.getCurrentController().getViewCursor().gotoStart(False)
            return True
        time.sleep(0.01)
    return False


def portions(document):
    """The text portions, paragraph by paragraph, with the fonts of their three script classes."""
    found = []
    paragraphs = document.getText().createEnumeration()
    while paragraphs.hasMoreElements():
        if found:
            found.append({"text": "\n"})
        parts = paragraphs.nextElement().createEnumeration()
        while parts.hasMoreElements():
            part = parts.nextElement()
            if part.getString():
                found.append({"text": part.getString(), **{
                    name: part.getPropertyValue(name)
                    for name in ("CharFontName", "CharFontNameAsian", "CharFontNameComplex")}})
    return found


def clipboard_text(context):
    from com.sun.star.datatransfer import DataFlavor
    contents = context.ServiceManager.createInstanceWithContext(
        "com.sun.star.datatransfer.clipboard.SystemClipboard", context).getContents()
    flavor = DataFlavor()
    flavor.MimeType = "text/plain;charset=utf-16"
    flavor.DataType = uno.getTypeByName("string")
    return contents.getTransferData(flavor) if contents else ""


def answer(desktop, context, request):
    op = request["op"]
    if op == "ping":
        desktop.getComponents()  # a call the office must answer
        return True
    if op == "close":
        close_documents(desktop)
        return True
    if op == "new":
        return new_document(desktop, request.get("text", ""))
    if op == "end":
        return end_office(desktop) == 0
    document = desktop.getCurrentComponent()
    cursor = document.getCurrentController().getViewCursor()
    if op == "place":
        cursor.gotoStart(False)
        cursor.goRight(request.get("from", 0), False)
        cursor.goRight(request.get("length", 0), True)
        return True
    if op == "text":
        return lines(document.getText().getString())
    if op == "before":
        text = cursor.getText()
        before = text.createTextCursorByRange(text.getStart())
        before.gotoRange(cursor.getStart(), True)
        return lines(before.getString())
    if op == "portions":
        return portions(document)
    if op == "clipboard":
        return clipboard_text(context)
    raise ValueError("unknown request %r" % op)


def serve(pipe):
    """Answers requests until standard input ends; connects again when the office restarts.

    Requests: ping; end (the office); close (every document); new (text: a new document holding
    it); place (from, length: the insertion point `from` characters from the
    start, selecting `length` more); text; before (the text before the
    insertion point); portions; clipboard (the office's clipboard text).
    """
    import json
    desktop = context = None
    for line in sys.stdin:
        request = json.loads(line)
        reply = {"ok": False, "error": "no office accepts on the pipe"}
        for _ in range(2):
            try:
                if desktop is None:
                    desktop, context = connect(pipe, time.monotonic(), with_context=True)
                if desktop is not None:
                    reply = {"ok": True, "value": answer(desktop, context, request)}
                break
            except Exception as error:  # the office ended or refused: connect again
                reply = {"ok": False, "error": str(error)}
                desktop = None
        print(json.dumps(reply), flush=True)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--pipe", required=True, help="the office's pipe name")
    parser.add_argument("--changed-from", metavar="TEXT",
                        help="wait until the document's text is other than this")
    parser.add_argument("--timeout", type=float, default=20.0, metavar="S",
                        help="seconds to wait for the office and for the change")
    parser.add_argument("--pdf", metavar="FILE", help="export the document to this PDF file")
    parser.add_argument("--end-office", action="store_true",
                        help="end the office, dropping unsaved changes")
    parser.add_argument("--serve", action="store_true",
                        help="answer requests on standard input (for the test suite)")
    args = parser.parse_args()
    if args.serve:
        return serve(args.pipe)

    # The office may still be starting: its pipe can accept before the new
    # document is there.
    deadline = time.monotonic() + args.timeout
    desktop = connect(args.pipe, deadline)
    if desktop is None:
        print("writer-document: no office accepts on the pipe %r" % args.pipe, file=sys.stderr)
        return 1
    if args.end_office:
        return end_office(desktop)
    document = text_document(desktop)
    while document is None and time.monotonic() < deadline:
        time.sleep(0.2)
        document = text_document(desktop)
    if document is None:
        print("writer-document: the office has no text document open", file=sys.stderr)
        return 1

    text = document.getText().getString()
    # Compared without line breaks at the end: a shell's $(...) drops them.
    while args.changed_from is not None and text.rstrip("\n") == args.changed_from.rstrip("\n"):
        if time.monotonic() >= deadline:
            print("writer-document: after %g s the document still holds %r"
                  % (args.timeout, text), file=sys.stderr)
            return 3
        time.sleep(0.1)
        text = document.getText().getString()

    if args.pdf:
        target = uno.systemPathToFileUrl(os.path.abspath(args.pdf))
        try:
            document.storeToURL(target, (PropertyValue(Name="FilterName",
                                                       Value="writer_pdf_Export"),))
        except Exception as error:  # UNO exceptions carry their own message
            print("writer-document: the PDF export failed: %s" % error, file=sys.stderr)
            return 4
    print(text)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Exception as error:  # a UNO call failed: the office ended or refused
        sys.exit("writer-document: the office failed: %s" % error)
