#!/usr/bin/python3
"""Reads the current document of an office that accepts UNO connections.

    writer-document.py --pipe NAME [--changed-from TEXT] [--timeout S] [--pdf FILE]
    writer-document.py --pipe NAME --end-office

Connects on the named pipe, takes the desktop's current document (or the
first text document when no document is current), optionally waits until
its text is other than TEXT (something has been written into it),
optionally exports it to PDF, and prints its text. With --end-office it
ends the office instead, dropping unsaved changes (for an office started
only for a demonstration or a test). Runs with the system's Python, which has the
office's "uno" module (Debian: python3-uno).

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


def connect(pipe, deadline):
    """The office's desktop, retrying until the deadline while the office starts."""
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    url = "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe
    while True:
        try:
            context = resolver.resolve(url)
            return context.ServiceManager.createInstanceWithContext(
                "com.sun.star.frame.Desktop", context)
        except NoConnectException:
            if time.monotonic() >= deadline:
                return None
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
    args = parser.parse_args()

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
