#!/usr/bin/env python3
"""Renders every SVG picture in this folder to the PNG sizes that icons.qrc lists.

The Qt build here has no SVG support, so the program ships PNGs; the SVG files are the sources.
Run after changing a picture:  python3 toolkit/icons/render.py
Uses the system librsvg and cairo through ctypes (no extra packages).
"""
import ctypes
import pathlib
import re
import sys

HERE = pathlib.Path(__file__).resolve().parent
QRC = HERE / "icons.qrc"

rsvg = ctypes.CDLL("librsvg-2.so.2")
cairo = ctypes.CDLL("libcairo.so.2")
gobject = ctypes.CDLL("libgobject-2.0.so.0")

rsvg.rsvg_handle_new_from_file.restype = ctypes.c_void_p
rsvg.rsvg_handle_new_from_file.argtypes = [ctypes.c_char_p, ctypes.c_void_p]
rsvg.rsvg_handle_render_cairo.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
cairo.cairo_image_surface_create.restype = ctypes.c_void_p
cairo.cairo_image_surface_create.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_int]
cairo.cairo_create.restype = ctypes.c_void_p
cairo.cairo_create.argtypes = [ctypes.c_void_p]
cairo.cairo_scale.argtypes = [ctypes.c_void_p, ctypes.c_double, ctypes.c_double]
cairo.cairo_surface_write_to_png.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
cairo.cairo_destroy.argtypes = [ctypes.c_void_p]
cairo.cairo_surface_destroy.argtypes = [ctypes.c_void_p]
gobject.g_object_unref.argtypes = [ctypes.c_void_p]


class RsvgDimensions(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int),
                ("em", ctypes.c_double), ("ex", ctypes.c_double)]


rsvg.rsvg_handle_get_dimensions.argtypes = [ctypes.c_void_p, ctypes.POINTER(RsvgDimensions)]


def render(svg: pathlib.Path, png: pathlib.Path, size: int) -> None:
    handle = rsvg.rsvg_handle_new_from_file(str(svg).encode(), None)
    if not handle:
        sys.exit(f"cannot read {svg}")
    dims = RsvgDimensions()
    rsvg.rsvg_handle_get_dimensions(handle, ctypes.byref(dims))
    surface = cairo.cairo_image_surface_create(0, size, size)  # CAIRO_FORMAT_ARGB32
    cr = cairo.cairo_create(surface)
    cairo.cairo_scale(cr, size / dims.width, size / dims.height)
    ok = rsvg.rsvg_handle_render_cairo(handle, cr)
    status = cairo.cairo_surface_write_to_png(surface, str(png).encode())
    cairo.cairo_destroy(cr)
    cairo.cairo_surface_destroy(surface)
    gobject.g_object_unref(handle)
    if not ok or status != 0:
        sys.exit(f"cannot render {svg} at {size} px")


def main() -> None:
    wanted = re.findall(r"png/([\w-]+)-(\d+)\.png", QRC.read_text())
    if not wanted:
        sys.exit(f"no PNG entries in {QRC}")
    for name, size in wanted:
        render(HERE / f"{name}.svg", HERE / "png" / f"{name}-{size}.png", int(size))
    print(f"rendered {len(wanted)} pictures")


if __name__ == "__main__":
    main()
