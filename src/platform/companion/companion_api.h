#ifndef TARNBECK_COMPANION_API_H
#define TARNBECK_COMPANION_API_H

/* The entry points of the companion icon library, shared by the library and the program that
 * loads it with dlopen. Plain C so any loader can use it. */

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A write-only byte stream owned by the caller. `write` appends `len` bytes and returns 0 on
 * success, anything else on failure. */
typedef struct TbStream {
    void *opaque;
    int (*write)(void *opaque, const void *data, size_t len);
} TbStream;

/* Interface version 2: the base entry points plus set_value / get_value. */
#define TB_COMPANION_VERSION 2

/* Results of get_icons_image. */
#define TB_COMPANION_OK 0
#define TB_COMPANION_BAD_STREAM 1
#define TB_COMPANION_WRITE_FAILED 2

/* Key of get_value that reads back the directory given to set_path. */
#define TB_COMPANION_KEY_PATH "path"

typedef int (*TbVersionFn)(void);
typedef int (*TbSubversionFn)(void);
/* The directory the library was loaded from, with a trailing "/". */
typedef void (*TbSetPathFn)(const char *dir);
/* Writes one 24-bit BMP file: every icon side by side, 16 x 16 each, icon 0 leftmost. */
typedef int (*TbGetIconsImageFn)(TbStream *stream);
typedef int (*TbGetIconsFn)(void);
/* The name of icon `index`, or NULL when out of range. */
typedef const char *(*TbGetIconNameFn)(int index);
/* The icon index for a class name (case-insensitive), negative when unknown. */
typedef int (*TbGetNrIconFn)(const char *name);
/* A small key/value store; set_value returns 0 on success. */
typedef int (*TbSetValueFn)(const char *key, const char *value);
/* Copies the value (zero-terminated, truncated to `size`) and returns its full length, or -1
 * when the key is unknown. */
typedef int (*TbGetValueFn)(const char *key, char *buffer, int size);

#ifdef __cplusplus
}
#endif

#endif
