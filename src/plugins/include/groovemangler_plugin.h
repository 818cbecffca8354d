/*
 * GrooveMangler plug-in ABI.
 *
 * The one header a plug-in (filter or beat detector) includes. Self-contained C: fixed-width types,
 * no Qt, no C++. Every function is tagged with the thread it may be called on:
 *   [main-thread]    the host's user-interface thread (creation, panels, parameter sets, events);
 *   [audio-thread]   the thread rendering one deck's blocks for the mixing engine;
 *   [loader-thread]  the deck's track loader (tempo detection);
 *   [any-thread]     no restriction.
 *
 * A plug-in library is an ELF shared object that exports exactly one symbol, `PluginQuery`. The host
 * opens it by path (file names and extensions do not matter), calls PluginQuery(0) for the class
 * descriptor and creates instances through it. The library stays loaded while an instance lives.
 *
 * Sections, each one concern: versions; the deck's play state; identifiers; what each kind of
 * plug-in must answer; values and tag lists; method messages; declarative panels; the host table;
 * the class descriptor and the entry point.
 *
 * History: 2.0 added `struct_size` after `abi` in gm_host and gm_plugin_class (1.0 had none, and a
 * 2.0 host refuses 1.0 plug-ins), gm_host.load_file and save_file, and panels' end rows.
 */
#ifndef GROOVEMANGLER_PLUGIN_H
#define GROOVEMANGLER_PLUGIN_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------------------------------------
 * Versions
 *
 * The ABI version comes first in the class descriptor and the host table, followed by
 * `struct_size`: sizeof the struct as its builder compiled it. Both sides accept the other's table
 * when the major versions are equal and the size covers at least the fields of x.0.
 *
 * Minor versions only ever append fields at the end of a struct. A field appended in a later minor
 * version exists in a table only when GM_STRUCT_HAS says so: a host reading an older plug-in's class,
 * or a plug-in reading an older host's table, treats a missing field as absent (NULL, 0) and never
 * reads past `struct_size`. A newer host loads older plug-ins of the same major version unchanged.
 */
typedef struct gm_abi_version {
  uint32_t major;
  uint32_t minor;
} gm_abi_version;

#define GM_PLUGIN_ABI_MAJOR 2u
#define GM_PLUGIN_ABI_MINOR 0u
#define GM_PLUGIN_ABI_VERSION_INIT { GM_PLUGIN_ABI_MAJOR, GM_PLUGIN_ABI_MINOR }

static inline bool gm_abi_version_is_compatible(gm_abi_version version) {
  return version.major == GM_PLUGIN_ABI_MAJOR;
}

/* True when the table at `pointer` (of `type`, with a struct_size member) holds `field`. */
#define GM_STRUCT_HAS(pointer, type, field) \
  ((pointer)->struct_size >= offsetof(type, field) + sizeof(((const type*)0)->field))

/* ---------------------------------------------------------------------------------------------
 * The deck's play state
 *
 * The voice block: everything the voice renderer reads besides the PCM. Frame counts are stereo
 * frames of the decoded track (44100 Hz, 2 × int16). The host copies it before it renders a block
 * and hands the copy to filters, which may hand a (modified) copy back to render_from_state.
 */
typedef struct gm_voice_state {
  int32_t frames;          /* frames of the loaded track */
  int32_t position;        /* current frame */
  const int16_t* pcm;      /* interleaved stereo PCM of the track, frames × 2 samples; NULL = none */
  int32_t cue_frame;       /* frame of the cue point; origin of the beat grid used by loops */
  float fraction;          /* fractional part of the play position */
  float speed;             /* playback rate, (pitch + bend) / 10000; negative plays backwards */
  float volume;            /* 1.0 = unity */
  int32_t balance;         /* -32767..32767: negative attenuates the left channel, positive the right */
  int32_t bpm;             /* track tempo in hundredths of a beat per minute, 0 = unknown */
  int32_t loop_start;      /* first frame of the loop; loop_start == loop_end: no loop */
  int32_t loop_end;        /* frame at which playback jumps back to loop_start */
  int32_t loop_reserved;   /* cleared with the loop */
  int32_t pending_loop_end; /* new loop_end taking over at the next wrap; 0 = none */
  int32_t beat_gap;        /* frames from the position to the next beat of the grid */
  int32_t silence_frames;  /* coming output frames to replace by silence */
  int32_t capture_flag;    /* renderer's private mode; 0 in normal play */
} gm_voice_state;

/* ---------------------------------------------------------------------------------------------
 * Identifiers
 *
 * Attributes and methods are 32-bit identifiers in separate name spaces: the same number may be
 * both (GM_METHOD_REGISTER_EVENTS and GM_ATTR_NAME; every filter parameter).
 */

/* Methods (gm_message.method_id). */
#define GM_METHOD_PROCESS          0x8000BACFu /* filters: gm_process_message, result 0 */
#define GM_METHOD_REGISTER_EVENTS  0x8000BAD0u /* filters: gm_register_events_message, result 0 */
#define GM_METHOD_DETECT_TEMPO     0xBACE0001u /* detectors: gm_detect_tempo_message, tempo × 100 or 0 */

/* Attributes of every plug-in. */
#define GM_ATTR_NAME               0x8000BAD0u /* get, text owned by the plug-in */
#define GM_ATTR_PREFS_PANEL        0x8000BAD1u /* get, panel; the first get creates it */
#define GM_ATTR_ENABLED            0x8000BAD2u /* get and set, 0 or 1; a set writes the prefs file */
#define GM_ATTR_CONTROLS_PANEL     0x8000BAD3u /* get (filters), panel; the first get creates it */
#define GM_ATTR_VERSION            0x8000BAE0u /* get, the library's version (also in the descriptor) */
#define GM_ATTR_REVISION           0x8000BAE1u /* get, the library's revision (also in the descriptor) */

/*
 * Filter parameters. Each identifier is an attribute (set: the value in its own unit; this is what
 * the panel's slider sends on every change) and a method (gm_parameter_message with a normalised
 * value 0..65536: asks the host to move the panel's slider, see gm_host.move_control).
 * Setting a parameter attribute ends the processing of its tag list.
 */
#define GM_FILTER_FREQUENCY        0x8000EF07u /* Hz, 20..20000 */
#define GM_FILTER_RESONANCE        0x8000EF08u /* Q × 100, 50..2000 */
#define GM_PHASER_DELAY            0x8000EA07u /* ms, 0..20 */
#define GM_PHASER_LFO              0x8000EA08u /* mHz, 0..1000 */

/* Beat detector settings (attributes; a set writes the prefs file). */
#define GM_DETECTOR_STEPS          0xE006u     /* stretches analysed, 5..30 */
#define GM_DETECTOR_LENGTH         0xE007u     /* seconds per stretch, 2..10 */

/*
 * Event types for gm_host.register_event: what the value passed to the event's method means when
 * the user's key, controller or script fires the event.
 *   BUTTON  a momentary control: 1 when it goes down, 0 when it comes up. Act on 0 (release).
 *   TOGGLE  an on/off control: 1 down, 0 up, as BUTTON; acting on 0 flips the state.
 *   ANALOG  a position: 0..GM_NORMALISED_FULL_SCALE, bottom to top of the control's range (a
 *           relative controller sends changes of that scale, positive or negative).
 *   OUTPUT  reserved for events that send state out to a controller; a host delivers no values to
 *           them and plug-ins do not register them.
 */
#define GM_EVENT_BUTTON 0u
#define GM_EVENT_TOGGLE 1u
#define GM_EVENT_ANALOG 2u
#define GM_EVENT_OUTPUT 3u

/* Full scale of a normalised controller value (16.16 fixed point). */
#define GM_NORMALISED_FULL_SCALE 65536

/* ---------------------------------------------------------------------------------------------
 * What each kind of plug-in must answer
 *
 * Every plug-in:
 *   get GM_ATTR_NAME           a non-empty text; a plug-in without a name is skipped.
 *   get/set GM_ATTR_ENABLED    the stored flag (1 when nothing is stored); filters whose flag is 0 at
 *                              start are left out of the decks' racks. A plug-in that does not
 *                              answer counts as disabled.
 *   get GM_ATTR_PREFS_PANEL    optional: the panel of the settings page (nothing shown without).
 * Filters (kind GM_PLUGIN_FILTER) also:
 *   get GM_ATTR_CONTROLS_PANEL the panel shown in the deck's rack; a filter without one is skipped.
 *   GM_METHOD_PROCESS          processes blocks of at most gm_host.max_block_frames frames; a
 *                              larger block may be passed through unchanged.
 *   GM_METHOD_REGISTER_EVENTS  registers the parameters a user may bind (may register none).
 *   each parameter identifier  as an attribute (set, in the parameter's unit) and as a method
 *                              (gm_parameter_message, see gm_host.move_control).
 * Beat detectors (kind GM_PLUGIN_DETECTOR) also:
 *   GM_METHOD_DETECT_TEMPO     the tempo × 100, or 0 when none was found.
 * get_attribute returns false for anything else; call_method returns 0 for unknown methods.
 */

/* ---------------------------------------------------------------------------------------------
 * Values and tag lists
 */

/* What get_attribute returns. Pointers stay owned by the plug-in and valid while the instance lives. */
typedef enum gm_value_kind {
  GM_VALUE_INTEGER = 1,
  GM_VALUE_TEXT = 2,
  GM_VALUE_PANEL = 3
} gm_value_kind;

struct gm_panel;

typedef struct gm_value {
  uint32_t kind;                /* gm_value_kind */
  int32_t integer;              /* GM_VALUE_INTEGER */
  const char* text;             /* GM_VALUE_TEXT, UTF-8 */
  const struct gm_panel* panel; /* GM_VALUE_PANEL */
} gm_value;

/* One attribute to set. set_attributes walks an array of these in order. */
typedef struct gm_tag {
  uint32_t id;
  int32_t value;
} gm_tag;

/* ---------------------------------------------------------------------------------------------
 * Method messages
 *
 * A method call passes a message whose first member is the header with the method identifier;
 * the plug-in reads the rest according to that identifier. Messages are owned by the caller and
 * valid for the duration of the call only.
 */
typedef struct gm_message {
  uint32_t method_id;
} gm_message;

/* Opaque handles of host objects, passed back to the host table's callbacks unchanged. */
typedef struct gm_app gm_app;   /* the application's event list */
typedef struct gm_deck gm_deck; /* the deck that renders the block */

/* GM_METHOD_PROCESS [audio-thread]: process bytes / 4 stereo frames in place. */
typedef struct gm_process_message {
  gm_message header;
  int16_t* samples;              /* interleaved stereo, native byte order */
  uint32_t bytes;                /* byte count of the block */
  gm_deck* deck;                 /* for gm_host.render_from_state */
  const gm_voice_state* state;   /* the deck's play state taken before the block was rendered */
} gm_process_message;

/* GM_METHOD_REGISTER_EVENTS [main-thread]: register the parameters through gm_host.register_event. */
typedef struct gm_register_events_message {
  gm_message header;
  gm_app* app;
  const char* zone;              /* owned by the host */
} gm_register_events_message;

/* GM_METHOD_DETECT_TEMPO [loader-thread]: the whole decoded track. Never reads past `frames`. */
typedef struct gm_detect_tempo_message {
  gm_message header;
  const int16_t* samples;        /* interleaved stereo, 44100 frames per second */
  uint32_t frames;
} gm_detect_tempo_message;

/* A parameter identifier used as method [main-thread]: normalised 0..GM_NORMALISED_FULL_SCALE. */
typedef struct gm_parameter_message {
  gm_message header;
  int32_t normalised;
} gm_parameter_message;

/* ---------------------------------------------------------------------------------------------
 * Declarative panels
 *
 * A panel is a constant description that the host turns into widgets. Rows stack top to bottom.
 * Check marks and sliders set their attribute on every change of their value. The description and
 * its texts are owned by the plug-in and stay valid while the instance lives.
 */
typedef enum gm_row_kind {
  GM_ROW_END = 0,    /* ends the rows: the row after the last one */
  GM_ROW_SPACER = 1, /* empty space across the panel */
  GM_ROW_TEXT = 2,   /* `label` across the panel, centred, may hold line breaks */
  GM_ROW_CHECK = 3,  /* left: spacer; right: check mark followed by `label` */
  GM_ROW_SLIDER = 4  /* left: `label`, right-aligned; right: slider minimum..maximum with `format` */
} gm_row_kind;

/* Where a control's starting value comes from. */
typedef enum gm_row_initial {
  GM_INITIAL_FIXED = 0,    /* `initial` */
  GM_INITIAL_CURRENT = 1   /* the attribute's current value (get_attribute) */
} gm_row_initial;

typedef struct gm_panel_row {
  uint32_t kind;           /* gm_row_kind */
  const char* label;       /* see gm_row_kind; NULL for spacers */
  const char* help;        /* short help shown over the control, or NULL */
  uint32_t attribute;      /* CHECK, SLIDER: attribute set on every change */
  int32_t minimum;         /* SLIDER */
  int32_t maximum;         /* SLIDER */
  uint32_t initial_from;   /* gm_row_initial */
  int32_t initial;         /* CHECK (0/1), SLIDER, with GM_INITIAL_FIXED */
  const char* format;      /* SLIDER: printf format with one %ld, or NULL for the plain number */
  uint32_t left_weight;    /* CHECK, SLIDER: relative widths of the two columns */
  uint32_t right_weight;
} gm_panel_row;

/* `rows` holds `row_count` rows followed by one of kind GM_ROW_END, at most GM_PANEL_MAX_ROWS before
 * it. The host reads no further than the end row, and refuses a panel whose end row is not at
 * `row_count`, or that has a row of an unknown kind. */
#define GM_PANEL_MAX_ROWS 32u

typedef struct gm_panel {
  uint32_t row_count;
  const gm_panel_row* rows;
} gm_panel;

/* ---------------------------------------------------------------------------------------------
 * The host table
 *
 * Given to create() and valid for the instance's whole life. The host owns it.
 */
struct gm_plugin;

typedef struct gm_host {
  gm_abi_version abi;
  uint32_t struct_size; /* sizeof(gm_host) as the host was built; see Versions */

  /* The largest block the host ever passes to GM_METHOD_PROCESS, in frames: plug-ins size their
   * scratch memory from it at creation, since the audio thread must not allocate. */
  uint32_t max_block_frames;

  /* [main-thread] Appends one bindable event to the application's event list: the event system
   * later calls `method_id` on `target` (a gm_parameter_message, or the host's own method) with
   * the event's value. `zone` and `label` are copied. */
  void (*register_event)(gm_app* app, const char* zone, const char* label, uint32_t type,
                         struct gm_plugin* target, uint32_t method_id);

  /* [audio-thread] Renders bytes / 4 frames of the deck's track from `state` into `buffer`,
   * exactly as the deck renders its own blocks, without changing the deck. */
  void (*render_from_state)(gm_deck* deck, const gm_voice_state* state, int16_t* buffer,
                            uint32_t bytes);

  /* [main-thread] Moves the slider bound to `attribute` on the instance's controls panel to
   * `value` (clamped to the slider's range); the slider's change then sets the attribute.
   * `host_context` is the one given to create().
   * Re-entrant: before move_control returns, the host calls set_attributes on the same instance
   * with {attribute, value} (when the slider's value changed), on the same thread. A plug-in must
   * not hold a non-recursive lock across this call. Does nothing before the controls panel was
   * asked for (get GM_ATTR_CONTROLS_PANEL). */
  void (*move_control)(void* host_context, struct gm_plugin* plugin, uint32_t attribute,
                       int32_t value);

  /* [main-thread] Reads the plug-in's preferences file (`path` must be the prefs_path given to
   * create()) into `buffer`. Returns its size when it is a plain file of at most `capacity` bytes;
   * 0 when it is missing, unreadable, not a plain file (a FIFO is never waited for) or larger.
   * Plug-ins read their preferences only through this. */
  uint32_t (*load_file)(void* host_context, const char* path, uint8_t* buffer, uint32_t capacity);

  /* [main-thread] Stores `size` bytes as the plug-in's preferences file: `path` must be the
   * prefs_path given to create(). The file is replaced whole or not at all (a full disk or a crash
   * mid-write leaves the previous file). Returns false on failure, which the host has already
   * reported to the user. Plug-ins write their preferences only through this. */
  bool (*save_file)(void* host_context, const char* path, const uint8_t* bytes, uint32_t size);
} gm_host;

/* ---------------------------------------------------------------------------------------------
 * The class descriptor and the entry point
 */
typedef struct gm_plugin gm_plugin; /* an instance, opaque to the host */

typedef enum gm_plugin_kind {
  GM_PLUGIN_FILTER = 1,
  GM_PLUGIN_DETECTOR = 2
} gm_plugin_kind;

typedef struct gm_plugin_class {
  gm_abi_version abi;          /* GM_PLUGIN_ABI_VERSION_INIT */
  uint32_t struct_size;        /* sizeof(gm_plugin_class) as the plug-in was built; see Versions */
  const char* version_string;  /* "$VER: Mufflex.filter 1.1 (19.11.14)" */
  uint32_t version;            /* library version */
  uint32_t revision;           /* library revision */
  uint32_t kind;               /* gm_plugin_kind */
  /* The preferences file, relative to the program's writable home directory
   * ("Filters/Mufflex.prefs"); the host resolves it and passes the absolute path to create(). */
  const char* prefs_name;

  /* [main-thread] A new instance, its preferences loaded from `prefs_path` (missing or unreadable:
   * defaults). NULL on failure. `host` and `host_context` must outlive the instance. */
  gm_plugin* (*create)(const gm_host* host, void* host_context, const char* prefs_path);

  /* [main-thread] Frees the instance and its panels. No other call may be running on it. */
  void (*dispose)(gm_plugin* plugin);

  /* [main-thread] false when the plug-in has no such attribute (then *out is untouched). */
  bool (*get_attribute)(gm_plugin* plugin, uint32_t attribute, gm_value* out);

  /* [main-thread] Sets the tags in order and returns how many were processed: a parameter
   * attribute ends the list (tags after it are ignored); unknown identifiers are skipped. */
  uint32_t (*set_attributes)(gm_plugin* plugin, const gm_tag* tags, uint32_t count);

  /* Thread: as tagged at each message. Unknown methods return 0. */
  uint32_t (*call_method)(gm_plugin* plugin, const gm_message* message);
} gm_plugin_class;

/* The sizes of the x.0 tables: the least a compatible table holds. */
#define GM_HOST_SIZE_X_0 (offsetof(gm_host, save_file) + sizeof(void (*)(void)))
#define GM_PLUGIN_CLASS_SIZE_X_0 (offsetof(gm_plugin_class, call_method) + sizeof(void (*)(void)))

static inline bool gm_host_is_compatible(const gm_host* host) {
  return host != NULL && gm_abi_version_is_compatible(host->abi) && host->struct_size >= GM_HOST_SIZE_X_0;
}

static inline bool gm_plugin_class_is_compatible(const gm_plugin_class* plugin_class) {
  return plugin_class != NULL && gm_abi_version_is_compatible(plugin_class->abi) &&
         plugin_class->struct_size >= GM_PLUGIN_CLASS_SIZE_X_0;
}

/* The one exported symbol. `which` 0: the plug-in's class; anything else: NULL. [any-thread] */
#define GM_PLUGIN_QUERY_SYMBOL "PluginQuery"
typedef const gm_plugin_class* (*gm_plugin_query_fn)(uint32_t which);

#if defined(__GNUC__)
#define GM_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define GM_PLUGIN_EXPORT
#endif

#ifdef __cplusplus
}
#endif

#endif /* GROOVEMANGLER_PLUGIN_H */
