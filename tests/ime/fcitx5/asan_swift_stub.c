/* Preloaded with the sanitizer runtimes into the uninstrumented fcitx5.
 *
 * Preloaded, the ASan runtime is initialised last (after every library it
 * does not depend on), so its set-up runs lazily inside the first malloc:
 * that is libgpg-error's constructor calling bindtextdomain, which holds
 * glibc's gettext lock. The set-up looks up swift_demangle; the failed
 * lookup makes dlerror translate its message, which takes the same lock
 * again and leaves it broken, and fcitx5 then hangs in its own
 * bind_textdomain_codeset. With the symbol present the lookup succeeds and
 * nothing is translated. The runtime calls it only to demangle Swift names
 * in reports; answering none keeps the C++ names as they are. */
char* swift_demangle(const char* mangled, unsigned long length, char* out,
                     unsigned long* out_length, unsigned flags) {
    (void)mangled;
    (void)length;
    (void)out;
    (void)out_length;
    (void)flags;
    return 0;
}
