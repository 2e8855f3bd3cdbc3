#!/usr/bin/python3
"""Makes cmyk.jpg for hostile_files_test.cpp. Run: /usr/bin/python3 make_fixtures.py"""
import os

from PIL import Image

# Left block red, right block blue, on 8 x 8 block edges.
cmyk = Image.new("CMYK", (16, 8))
cmyk.paste((0, 255, 255, 0), (0, 0, 8, 8))
cmyk.paste((255, 255, 0, 0), (8, 0, 16, 8))
cmyk.save(os.path.join(os.path.dirname(os.path.abspath(__file__)), "cmyk.jpg"), quality=95)
