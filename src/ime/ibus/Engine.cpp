#include "ime/ibus/Engine.h"

#include "engine/Keysyms.h"

#include <QByteArray>

#include <tuple>

namespace orv::ime {

namespace {

data::Database* database = nullptr;
engine::WordInput* words = nullptr;

// The engine's menu in the IBus panel: the two settings and forgetting.
constexpr const char* kWordsProperty = "orvanta-words";
constexpr const char* kLearningProperty = "orvanta-learning";
constexpr const char* kForgetProperty = "orvanta-forget";

// What was last sent to the client, so a key that changes nothing (every
// key typed into the application without a preedit) sends nothing either.
struct Shown {
    QString preedit;
    int cursor = 0;
    // First candidate, candidates on the page, highlight on it, all of them.
    std::tuple<int, int, int, int> table{0, 0, -1, 0};
    bool notice = false;
};

struct OrvIBusEngine {
    IBusEngine parent;
    // Plain pointers: GObject instance memory is zeroed, not constructed.
    engine::TypingSession* session;
    Shown* shown;
    // A password or PIN field: the engine keeps out of it.
    gboolean secret;
};

struct OrvIBusEngineClass {
    IBusEngineClass parent;
};

G_DEFINE_TYPE(OrvIBusEngine, orv_ibus_engine, IBUS_TYPE_ENGINE)

OrvIBusEngine* Self(IBusEngine* engine) { return reinterpret_cast<OrvIBusEngine*>(engine); }

// A floating IBusText: the engine call that takes it sinks it.
IBusText* Text(const QString& text) { return ibus_text_new_from_string(text.toUtf8().constData()); }

guint Length(const QString& text) { return guint(text.toUcs4().size()); }

IBusLookupTable* PageTable(const engine::TypingSession& session) {
    const engine::Pager& pages = session.Pages();
    IBusLookupTable* table = ibus_lookup_table_new(engine::kPageSize, 0, TRUE, FALSE);
    for (int i = 0; i < pages.OnPage(); ++i) {
        const int position = pages.First() + i;
        const QString glyph = session.Candidates().Glyph(position);
        const QString reading = session.Candidates().Reading(position);
        // The reading beside the glyph tells candidates that look alike
        // apart (kaṃ, kam̐). No colour of its own: the panel's highlight
        // keeps the text colour it is given.
        ibus_lookup_table_append_candidate(table, Text(glyph + u' ' + reading));
        // F1 to F12 pick on every page (1 to 9 as well).
        ibus_lookup_table_append_label(table, Text(QStringLiteral("F%1").arg(i + 1)));
    }
    ibus_lookup_table_set_cursor_pos(table, guint(qMax(0, session.HighlightOnPage())));
    return table;
}

// Sends what the session holds now: its commit first, then the notice,
// the preedit and the page of candidates where they changed.
void Show(OrvIBusEngine* self) {
    IBusEngine* engine = IBUS_ENGINE(self);
    engine::TypingSession& session = *self->session;
    Shown& shown = *self->shown;
    if (const QString commit = session.TakeCommit(); !commit.isEmpty()) {
        // The preedit the commit replaces goes first: a client that commits
        // its preedit itself when the focus leaves (GTK's module in
        // asynchronous mode) could otherwise do so between the two messages
        // and write the text twice.
        if (!shown.preedit.isEmpty()) {
            shown.preedit.clear();
            shown.cursor = 0;
            ibus_engine_update_preedit_text_with_mode(engine, Text(QString()), 0, FALSE,
                                                      IBUS_ENGINE_PREEDIT_COMMIT);
        }
        ibus_engine_commit_text(engine, Text(commit));
    }
    if (const QString notice = session.TakeNotice(); !notice.isEmpty()) {
        ibus_engine_update_auxiliary_text(engine, Text(notice), TRUE);
        shown.notice = true;
    }
    // The candidates follow from the preedit: new text, new table.
    const bool newText = session.Preedit() != shown.preedit;
    if (newText || session.Cursor() != shown.cursor) {
        shown.preedit = session.Preedit();
        shown.cursor = session.Cursor();
        IBusText* text = Text(shown.preedit);
        const guint length = Length(shown.preedit);
        if (length > 0) {
            ibus_text_append_attribute(text, IBUS_ATTR_TYPE_UNDERLINE, IBUS_ATTR_UNDERLINE_SINGLE,
                                       0, length);
        }
        // What the user typed is never lost: when the focus leaves or the
        // application resets the context, IBus (or its toolkit module, which
        // then does so alone) commits the preedit as it stands.
        ibus_engine_update_preedit_text_with_mode(engine, text,
                                                  Length(shown.preedit.left(shown.cursor)),
                                                  length > 0, IBUS_ENGINE_PREEDIT_COMMIT);
    }
    const engine::Pager& pages = session.Pages();
    const std::tuple table{pages.First(), pages.OnPage(), session.HighlightOnPage(),
                           session.Candidates().Count()};
    if (newText || table != shown.table) {
        shown.table = table;
        if (pages.OnPage() > 0) {
            ibus_engine_update_lookup_table(engine, PageTable(session), TRUE);
        } else {
            ibus_engine_hide_lookup_table(engine);
        }
    }
}

// Drops the preedit and everything shown with it.
void Clear(OrvIBusEngine* self) {
    self->session->Reset();
    Show(self);
    if (self->shown->notice) {
        ibus_engine_hide_auxiliary_text(IBUS_ENGINE(self));
        self->shown->notice = false;
    }
}

// The keys behind the candidate window's own controls.
void Press(IBusEngine* engine, std::uint32_t keysym) {
    OrvIBusEngine* self = Self(engine);
    if (self->secret) return;
    if (words) words->Prepare(*self->session);
    self->session->ProcessKey(engine::Key{keysym, 0, false});
    Show(self);
}

gboolean ProcessKeyEvent(IBusEngine* engine, guint keyval, guint keycode, guint modifiers) {
    OrvIBusEngine* self = Self(engine);
    // The session keeps to presses; a release goes where its press went.
    if ((modifiers & IBUS_RELEASE_MASK) || self->secret) return FALSE;
    if (words) words->Prepare(*self->session);
    const engine::KeyResult result = self->session->ProcessKey(KeyFromIBus(keyval, modifiers));
    Show(self);
    // A key that acts after a commit (Tab) is sent on behind it: a key
    // answered "not handled" may reach the application first (synchronous
    // mode). Its release is not the engine's: it passes as the press would.
    if (result == engine::KeyResult::Forward) {
        ibus_engine_forward_key_event(engine, keyval, keycode, modifiers);
    }
    return result != engine::KeyResult::PassThrough;
}

IBusProperty* Toggle(const char* key, const char* label, const char* tooltip, bool on) {
    return ibus_property_new(key, PROP_TYPE_TOGGLE, ibus_text_new_from_static_string(label),
                             nullptr, ibus_text_new_from_static_string(tooltip), TRUE, TRUE,
                             on ? PROP_STATE_CHECKED : PROP_STATE_UNCHECKED, nullptr);
}

// The menu as the settings stand; the panel shows it while the engine has
// the focus.
void RegisterProperties(IBusEngine* engine) {
    if (!words) return;
    const engine::InputSettings& settings = words->Settings();
    IBusPropList* list = ibus_prop_list_new();
    ibus_prop_list_append(list, Toggle(kWordsProperty, "Word candidates",
                                       "Offer whole words, completions and words spelled "
                                       "without diacritics; off: syllables only",
                                       settings.wordCandidates));
    ibus_prop_list_append(
        list, Toggle(kLearningProperty, "Learn my words",
                     "Count the words picked, so they come first next time", settings.learning));
    ibus_prop_list_append(
        list, ibus_property_new(kForgetProperty, PROP_TYPE_NORMAL,
                                ibus_text_new_from_static_string("Forget all learned words"),
                                nullptr, nullptr, TRUE, TRUE, PROP_STATE_UNCHECKED, nullptr));
    ibus_engine_register_properties(engine, list);  // sinks the list
}

void PropertyActivate(IBusEngine* engine, const gchar* name, guint state) {
    if (!words || !name) return;
    engine::InputSettings settings = words->Settings();
    if (g_strcmp0(name, kWordsProperty) == 0) {
        settings.wordCandidates = state == PROP_STATE_CHECKED;
        words->Change(settings);
    } else if (g_strcmp0(name, kLearningProperty) == 0) {
        settings.learning = state == PROP_STATE_CHECKED;
        words->Change(settings);
    } else if (g_strcmp0(name, kForgetProperty) == 0) {
        words->ForgetAll();
    }
    RegisterProperties(engine);  // the menu as the settings now stand
}

void FocusIn(IBusEngine* engine) {
    RegisterProperties(engine);
    IBUS_ENGINE_CLASS(orv_ibus_engine_parent_class)->focus_in(engine);
}

void FocusOut(IBusEngine* engine) {
    Clear(Self(engine));
    IBUS_ENGINE_CLASS(orv_ibus_engine_parent_class)->focus_out(engine);
}

void Reset(IBusEngine* engine) {
    Clear(Self(engine));
    IBUS_ENGINE_CLASS(orv_ibus_engine_parent_class)->reset(engine);
}

void Disable(IBusEngine* engine) {
    Clear(Self(engine));
    IBUS_ENGINE_CLASS(orv_ibus_engine_parent_class)->disable(engine);
}

void SetContentType(IBusEngine* engine, guint purpose, guint hints) {
    OrvIBusEngine* self = Self(engine);
    self->secret = purpose == IBUS_INPUT_PURPOSE_PASSWORD || purpose == IBUS_INPUT_PURPOSE_PIN;
    if (self->secret) Clear(self);
    IBUS_ENGINE_CLASS(orv_ibus_engine_parent_class)->set_content_type(engine, purpose, hints);
}

using namespace engine::keysym;

void PageUp(IBusEngine* engine) { Press(engine, kPageUp); }
void PageDown(IBusEngine* engine) { Press(engine, kPageDown); }
void CursorUp(IBusEngine* engine) { Press(engine, kUp); }
void CursorDown(IBusEngine* engine) { Press(engine, kDown); }

void CandidateClicked(IBusEngine* engine, guint index, guint /*button*/, guint /*state*/) {
    if (index < guint(engine::kPageSize)) Press(engine, kF1 + index);
}

void Constructed(GObject* object) {
    G_OBJECT_CLASS(orv_ibus_engine_parent_class)->constructed(object);
    OrvIBusEngine* self = Self(IBUS_ENGINE(object));
    const char* name = ibus_engine_get_name(IBUS_ENGINE(object));
    data::ScriptTable table = data::ScriptTable::Siddham;
    for (const EngineInfo& info : kEngines) {
        if (name && qstrcmp(name, info.name) == 0) table = info.table;
    }
    self->session = new engine::TypingSession(database, table);
    self->shown = new Shown;
    qCDebug(lcIBus, "Engine %s made", name);
}

void Finalize(GObject* object) {
    OrvIBusEngine* self = Self(IBUS_ENGINE(object));
    delete self->session;
    delete self->shown;
    G_OBJECT_CLASS(orv_ibus_engine_parent_class)->finalize(object);
}

// G_DEFINE_TYPE declares these two; they fill in the class and the object.
void orv_ibus_engine_class_init(OrvIBusEngineClass* klass) {
    GObjectClass* object = G_OBJECT_CLASS(klass);
    object->constructed = Constructed;
    object->finalize = Finalize;
    IBusEngineClass* engine = IBUS_ENGINE_CLASS(klass);
    engine->process_key_event = ProcessKeyEvent;
    engine->focus_in = FocusIn;
    engine->focus_out = FocusOut;
    engine->property_activate = PropertyActivate;
    engine->reset = Reset;
    engine->disable = Disable;
    engine->set_content_type = SetContentType;
    engine->page_up = PageUp;
    engine->page_down = PageDown;
    engine->cursor_up = CursorUp;
    engine->cursor_down = CursorDown;
    engine->candidate_clicked = CandidateClicked;
}

void orv_ibus_engine_init(OrvIBusEngine* /*self*/) {}

}  // namespace

void SetEngineDatabase(data::Database* db) { database = db; }

void SetEngineWords(engine::WordInput* input) { words = input; }

GType EngineType() { return orv_ibus_engine_get_type(); }

engine::Key KeyFromIBus(guint keyval, guint modifiers) {
    constexpr guint kShortcut =
        IBUS_CONTROL_MASK | IBUS_MOD1_MASK | IBUS_MOD4_MASK | IBUS_SUPER_MASK;
    return engine::Key{keyval, ibus_keyval_to_unicode(keyval), (modifiers & kShortcut) != 0};
}

}  // namespace orv::ime
