#!/usr/bin/python3
"""Installs a Pixmora build (or packs it with --deb) and checks programs, desktop entry, icons."""

import argparse
import configparser
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree

ICON_SIZES = (16, 32, 48, 64, 128, 256)
# The heart's red, drawn on whole pixels at every size.
HEART_RED = (0xE4, 0x3F, 0x5A)

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def run(command, **kwargs):
    result = subprocess.run(command, capture_output=True, text=True, **kwargs)
    if result.returncode != 0:
        sys.stderr.write(result.stdout + result.stderr)
        raise SystemExit(f"failed: {' '.join(command)}")
    return result.stdout


def parse_desktop_entry(path):
    """Groups of key -> value; duplicate groups or keys and malformed lines fail."""
    parser = configparser.ConfigParser(interpolation=None, delimiters=("=",),
                                       comment_prefixes=("#",), empty_lines_in_values=False)
    parser.optionxform = str
    try:
        parser.read(path, encoding="utf-8")
    except configparser.Error as error:
        check(False, f"desktop entry: {error}")
    return {name: dict(parser[name]) for name in parser.sections()}


def check_desktop_entry(prefix):
    path = os.path.join(prefix, "share/applications/pixmora.desktop")
    if not check(os.path.isfile(path), "share/applications/pixmora.desktop missing"):
        return
    if shutil.which("desktop-file-validate"):
        result = subprocess.run(["desktop-file-validate", path], capture_output=True, text=True)
        check(result.returncode == 0 and "error" not in result.stdout,
              "desktop-file-validate: " + result.stdout + result.stderr)
    entry = parse_desktop_entry(path).get("Desktop Entry", {})
    check(entry.get("Icon") == "pixmora", "desktop entry: Icon")
    for key in ("GenericName[ja]", "Comment[ja]"):
        check(re.search(r"[\u3040-\u30ff\u4e00-\u9fff]", entry.get(key, "")),
              f"desktop entry: {key} is not Japanese")
    exec_line = entry.get("Exec", "").split()
    check(exec_line[:1] == ["pixmora"] and exec_line[1:] in (["%F"], ["%U"]),
          f"desktop entry: Exec {exec_line}")
    types = [t for t in entry.get("MimeType", "").split(";") if t]
    check("image/png" in types and len(types) > 1 and all(t.startswith("image/") for t in types),
          f"desktop entry: MimeType {types}")


def check_icons(prefix):
    svg = os.path.join(prefix, "share/icons/hicolor/scalable/apps/pixmora.svg")
    if check(os.path.isfile(svg), "scalable icon missing"):
        root = ElementTree.parse(svg).getroot()
        check(root.tag.endswith("svg"), "scalable icon is not SVG")
    from PIL import Image
    for size in ICON_SIZES:
        png = os.path.join(prefix, f"share/icons/hicolor/{size}x{size}/apps/pixmora.png")
        if not check(os.path.isfile(png), f"{size}x{size} icon missing"):
            continue
        with Image.open(png) as image:
            check((image.size, image.mode) == ((size, size), "RGBA"),
                  f"{size}x{size} icon is {image.size} {image.mode}")
            centre = image.getpixel((size // 2, size // 2))
        check(centre == HEART_RED + (255,), f"{size}x{size} icon centre {centre}")


def check_programs(prefix):
    for name in ("pixmora", "pixmora-convert"):
        path = os.path.join(prefix, "bin", name)
        if check(os.path.isfile(path) and os.access(path, os.X_OK), f"bin/{name} not executable"):
            with open(path, "rb") as file:
                check(file.read(4) == b"\x7fELF", f"bin/{name} is not a program")
            if name == "pixmora-convert":
                check(run([path, "--version"]).strip(), "pixmora-convert --version printed nothing")


def check_tree(build, config):
    with tempfile.TemporaryDirectory(prefix="pixmora-install-") as prefix:
        command = ["cmake", "--install", build, "--prefix", prefix]
        if config:
            command += ["--config", config]
        run(command)
        check_programs(prefix)
        check_desktop_entry(prefix)
        check_icons(prefix)
        check(not any("render-icon" in f for _, _, files in os.walk(prefix) for f in files),
              "the icon rendering tool is installed")


def check_deb(build):
    if not shutil.which("dpkg-deb"):
        print("dpkg-deb not found: package not checked")
        raise SystemExit(77)  # skipped
    with tempfile.TemporaryDirectory(prefix="pixmora-deb-") as out:
        run(["cpack", "-G", "DEB", "--config", os.path.join(build, "CPackConfig.cmake"),
             "-B", out])
        debs = [f for f in os.listdir(out) if f.endswith(".deb")]
        if not check(len(debs) == 1, f"cpack made {debs}"):
            return
        deb = os.path.join(out, debs[0])
        for field, value in (("Package", "pixmora"), ("Section", "graphics")):
            check(run(["dpkg-deb", "-f", deb, field]).strip() == value, f"package {field}")
        depends = run(["dpkg-deb", "-f", deb, "Depends"])
        names = {alternative.strip().split(" ")[0]
                 for group in depends.split(",") for alternative in group.split("|")}
        for needed in ("libqt6widgets6", "libqt6gui6", "libqt6core6", "libqt6svg6", "libc6",
                       "libstdc++6", "qt6-image-formats-plugins", "fonts-ipafont-gothic",
                       "qt6-translations-l10n"):
            check(needed in names, f"Depends lacks {needed}: {depends.strip()}")
        contents = run(["dpkg-deb", "-c", deb])
        for path in ["./usr/bin/pixmora", "./usr/bin/pixmora-convert",
                     "./usr/share/applications/pixmora.desktop",
                     "./usr/share/icons/hicolor/scalable/apps/pixmora.svg"] + [
                         f"./usr/share/icons/hicolor/{s}x{s}/apps/pixmora.png" for s in ICON_SIZES]:
            check(re.search(r"\s" + re.escape(path) + r"$", contents, re.MULTILINE),
                  f"package lacks {path}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--config", default="")
    parser.add_argument("--deb", action="store_true")
    arguments = parser.parse_args()
    if arguments.deb:
        check_deb(arguments.build)
    else:
        check_tree(arguments.build, arguments.config)
    for failure in failures:
        print("FAIL:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
