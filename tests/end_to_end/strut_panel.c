/* A desktop panel as far as a window manager can tell: one dock window along
 * each edge named, the whole edge long, that reserves its thickness with
 * _NET_WM_STRUT_PARTIAL (and the older _NET_WM_STRUT), filled with one
 * colour (#FF00FF) that a screenshot can tell apart:
 *
 *     strut_panel EDGE THICKNESS [EDGE THICKNESS...]     (EDGE: top, bottom, left, right)
 *
 * It prints "mapped" once the windows are mapped and stays until it is
 * ended or its display goes away. Exit status 1 on bad arguments or no
 * display. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <xcb/xcb.h>

enum { LEFT, RIGHT, TOP, BOTTOM, EDGES };

static const char* const EDGE_NAMES[EDGES] = {"left", "right", "top", "bottom"};
static const uint32_t PANEL_PIXEL = 0xFF00FF;

static xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, (uint16_t)strlen(name), name), NULL);
    xcb_atom_t result = reply != NULL ? reply->atom : XCB_ATOM_NONE;
    free(reply);
    return result;
}

static int edge_named(const char* name) {
    for (int edge = 0; edge < EDGES; edge++) {
        if (strcmp(name, EDGE_NAMES[edge]) == 0) return edge;
    }
    return -1;
}

/* One panel window: its place on the screen and the space it reserves, in
 * the order _NET_WM_STRUT_PARTIAL gives: left, right, top, bottom, then
 * the start and end of each along its edge. */
static void add_panel(xcb_connection_t* connection, const xcb_screen_t* screen, int edge,
                      uint16_t thickness) {
    const uint16_t width = screen->width_in_pixels, height = screen->height_in_pixels;
    int16_t x = 0, y = 0;
    uint16_t w = width, h = height;
    uint32_t strut[12] = {0};
    switch (edge) {
    case LEFT:
        w = thickness;
        strut[LEFT] = thickness, strut[5] = height - 1u;
        break;
    case RIGHT:
        x = (int16_t)(width - thickness), w = thickness;
        strut[RIGHT] = thickness, strut[7] = height - 1u;
        break;
    case TOP:
        h = thickness;
        strut[TOP] = thickness, strut[9] = width - 1u;
        break;
    default:
        y = (int16_t)(height - thickness), h = thickness;
        strut[BOTTOM] = thickness, strut[11] = width - 1u;
        break;
    }
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t values[] = {PANEL_PIXEL};
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, x, y, w, h, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL,
                      values);
    const xcb_atom_t dock = atom(connection, "_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window,
                        atom(connection, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &dock);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window,
                        atom(connection, "_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL, 32, 12,
                        strut);
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window,
                        atom(connection, "_NET_WM_STRUT"), XCB_ATOM_CARDINAL, 32, 4, strut);
    /* Where it goes, as the panel's own choice: a window manager places
     * a window without it wherever it likes. */
    enum { US_POSITION = 1, US_SIZE = 2, P_POSITION = 4, P_SIZE = 8 };
    const uint32_t size_hints[18] = {US_POSITION | US_SIZE | P_POSITION | P_SIZE, (uint32_t)x,
                                     (uint32_t)y, w, h};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, 18, size_hints);
    static const char name[] = "strut_panel";
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, sizeof name - 1, name);
    xcb_map_window(connection, window);
}

int main(int argc, char** argv) {
    if (argc < 3 || argc % 2 == 0) {
        fprintf(stderr, "usage: strut_panel EDGE THICKNESS [EDGE THICKNESS...]\n");
        return 1;
    }
    xcb_connection_t* connection = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(connection)) {
        fprintf(stderr, "strut_panel: cannot open the display\n");
        return 1;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    for (int index = 1; index + 1 < argc; index += 2) {
        const int edge = edge_named(argv[index]);
        const long thickness = strtol(argv[index + 1], NULL, 10);
        if (edge < 0 || thickness <= 0 || thickness > 4096) {
            fprintf(stderr, "strut_panel: bad edge or thickness: %s %s\n", argv[index],
                    argv[index + 1]);
            return 1;
        }
        add_panel(connection, screen, edge, (uint16_t)thickness);
    }
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), NULL));
    printf("mapped\n");
    fflush(stdout);
    xcb_generic_event_t* event;
    while ((event = xcb_wait_for_event(connection)) != NULL) free(event);
    xcb_disconnect(connection);
    return 0;
}
