/* A keyboard for a Wayland compositor that has no real one: one client that
 * stays connected for the whole run and sends the keys it reads, line by
 * line, from standard input. A fresh client per key (as wtype is) makes the
 * compositor hand every window a new keymap each time, which loses keys and
 * is more than some toolkits survive.
 *
 *   wayland_keyboard [LAYOUT]      (LAYOUT an XKB layout, "us" by default)
 *
 * Commands: "key NAME" (a press and, 30 ms later, its release) and "quit".
 * NAME is an XKB keysym name in the layout's first level (Return, Right, w,
 * Cyrillic_tse). Each key is answered with "ok" once the compositor has
 * it, or "error: ..." on standard error and exit status 1. */

#define _GNU_SOURCE
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

/* The virtual-keyboard protocol (wlroots' zwp_virtual_keyboard_unstable_v1),
 * written out rather than generated: four requests, no events. */
static const struct wl_interface virtual_keyboard_interface;
static const struct wl_interface* protocol_types[] = {
    NULL, NULL, NULL, NULL, &wl_seat_interface, &virtual_keyboard_interface,
};
static const struct wl_message virtual_keyboard_requests[] = {
    {"keymap", "uhu", protocol_types},
    {"key", "uuu", protocol_types},
    {"modifiers", "uuuu", protocol_types},
    {"destroy", "", protocol_types},
};
static const struct wl_interface virtual_keyboard_interface = {
    "zwp_virtual_keyboard_v1", 1, 4, virtual_keyboard_requests, 0, NULL,
};
static const struct wl_message manager_requests[] = {
    {"create_virtual_keyboard", "on", protocol_types + 4},
};
static const struct wl_interface manager_interface = {
    "zwp_virtual_keyboard_manager_v1", 1, 1, manager_requests, 0, NULL,
};
enum { request_keymap, request_key, request_modifiers, request_destroy };

struct session {
    struct wl_display* display;
    struct wl_seat* seat;
    struct wl_proxy* manager;
    struct wl_proxy* keyboard;
    struct xkb_keymap* keymap;
    uint32_t started;
};

static void fail(const char* message) {
    fprintf(stderr, "error: %s\n", message);
    exit(1);
}

static void global_added(void* data, struct wl_registry* registry, uint32_t name,
                         const char* interface, uint32_t version) {
    struct session* session = data;
    (void)version;
    if (strcmp(interface, wl_seat_interface.name) == 0 && session->seat == NULL)
        session->seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    else if (strcmp(interface, manager_interface.name) == 0)
        session->manager = wl_registry_bind(registry, name, &manager_interface, 1);
}

static void global_removed(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {global_added, global_removed};

static uint32_t milliseconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint32_t)(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

/* The keymap goes over as a file: the protocol passes a descriptor and the
 * size, the terminating zero included. */
static void send_keymap(struct session* session) {
    char* text = xkb_keymap_get_as_string(session->keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    if (text == NULL)
        fail("cannot write the keymap out");
    const size_t size = strlen(text) + 1;
    const int fd = memfd_create("keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, text, size) != (ssize_t)size)
        fail("cannot hand the keymap over");
    free(text);
    wl_proxy_marshal(session->keyboard, request_keymap, XKB_KEYMAP_FORMAT_TEXT_V1, fd,
                     (uint32_t)size);
    close(fd);
}

/* Sends the key that types `name` without modifiers: press, or release. */
static void send_key(struct session* session, const char* name, uint32_t state) {
    const xkb_keysym_t keysym = xkb_keysym_from_name(name, XKB_KEYSYM_NO_FLAGS);
    const xkb_keycode_t last = xkb_keymap_max_keycode(session->keymap);
    for (xkb_keycode_t code = xkb_keymap_min_keycode(session->keymap); code <= last; ++code) {
        const xkb_keysym_t* syms = NULL;
        if (keysym == XKB_KEY_NoSymbol ||
            xkb_keymap_key_get_syms_by_level(session->keymap, code, 0, 0, &syms) != 1 ||
            syms[0] != keysym)
            continue;
        /* Wayland key codes are evdev's, eight below XKB's. */
        wl_proxy_marshal(session->keyboard, request_key, milliseconds() - session->started,
                         code - 8, state);
        return;
    }
    fprintf(stderr, "error: no key types '%s'\n", name);
    exit(1);
}

int main(int argc, char** argv) {
    struct session session = {0};
    session.started = milliseconds();
    session.display = wl_display_connect(NULL);
    if (session.display == NULL)
        fail("no Wayland display (is WAYLAND_DISPLAY set?)");
    struct wl_registry* registry = wl_display_get_registry(session.display);
    wl_registry_add_listener(registry, &registry_listener, &session);
    wl_display_roundtrip(session.display);
    if (session.seat == NULL || session.manager == NULL)
        fail("the compositor offers no seat or no virtual keyboards");

    struct xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const struct xkb_rule_names names = {NULL, NULL, argc > 1 ? argv[1] : "us", NULL, NULL};
    session.keymap =
        context ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : NULL;
    if (session.keymap == NULL)
        fail("cannot compile the keymap");

    session.keyboard = wl_proxy_marshal_constructor(session.manager, 0, &virtual_keyboard_interface,
                                                    session.seat, NULL);
    send_keymap(&session);
    if (wl_display_roundtrip(session.display) < 0)
        fail("the compositor refused the keyboard");
    puts("ok");
    fflush(stdout);

    char line[256];
    while (fgets(line, sizeof line, stdin) != NULL) {
        line[strcspn(line, "\r\n")] = '\0';
        char command[16] = "";
        char argument[200] = "";
        if (sscanf(line, "%15s %199s", command, argument) < 1)
            continue;
        if (strcmp(command, "quit") == 0)
            break;
        if (strcmp(command, "key") != 0) {
            fprintf(stderr, "error: unknown command '%s'\n", command);
            return 1;
        }
        /* A press as a finger makes it: the release a moment later. */
        send_key(&session, argument, WL_KEYBOARD_KEY_STATE_PRESSED);
        wl_display_roundtrip(session.display);
        usleep(30 * 1000);
        send_key(&session, argument, WL_KEYBOARD_KEY_STATE_RELEASED);
        if (wl_display_roundtrip(session.display) < 0)
            fail("the compositor went away");
        puts("ok");
        fflush(stdout);
    }
    wl_proxy_marshal(session.keyboard, request_destroy);
    wl_proxy_destroy(session.keyboard);
    wl_display_roundtrip(session.display);
    xkb_keymap_unref(session.keymap);
    xkb_context_unref(context);
    wl_display_disconnect(session.display);
    return 0;
}
