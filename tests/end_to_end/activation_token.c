/* Asks the Wayland compositor for an xdg-activation token and prints it, as
 * a launcher or a panel does before it starts or activates a program:
 *
 *     activation_token [APP_ID]
 *
 * Exit status 1 when the compositor has no activation protocol or gives no
 * token. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <wayland-client.h>

#include "xdg-activation-v1-client-protocol.h"

static struct xdg_activation_v1* activation;
static char* received;

static void on_global(void* data, struct wl_registry* registry, uint32_t name,
                      const char* interface, uint32_t version) {
    (void)data;
    (void)version;
    if (strcmp(interface, xdg_activation_v1_interface.name) == 0) {
        activation = wl_registry_bind(registry, name, &xdg_activation_v1_interface, 1);
    }
}

static void on_global_remove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registry_listener = {on_global, on_global_remove};

static void on_done(void* data, struct xdg_activation_token_v1* token, const char* text) {
    (void)data;
    (void)token;
    received = strdup(text);
}

static const struct xdg_activation_token_v1_listener token_listener = {on_done};

int main(int argc, char** argv) {
    struct wl_display* display = wl_display_connect(NULL);
    if (display == NULL) {
        fprintf(stderr, "activation_token: no Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    if (activation == NULL) {
        fprintf(stderr, "activation_token: the compositor offers no xdg-activation\n");
        return 1;
    }
    struct xdg_activation_token_v1* token = xdg_activation_v1_get_activation_token(activation);
    xdg_activation_token_v1_add_listener(token, &token_listener, NULL);
    if (argc > 1) xdg_activation_token_v1_set_app_id(token, argv[1]);
    xdg_activation_token_v1_commit(token);
    while (received == NULL && wl_display_dispatch(display) != -1) {
    }
    if (received == NULL) return 1;
    printf("%s\n", received);
    free(received);
    xdg_activation_token_v1_destroy(token);
    xdg_activation_v1_destroy(activation);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return 0;
}
