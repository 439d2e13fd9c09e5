#!/usr/bin/env python3
"""Writes gift.obj, gift.mtl and gift-paper.png, the model example's sample of what
exporters write: a wrapped present of quads with a picture on every face and no
normals (flat, "s off"), a ribbon that carries its own normals, and a smooth bauble
on top whose normals the reader makes ("s 1"); three materials.
Run from examples/: python3 make-gift.py"""
import math
import struct
import zlib

W, H, D = 0.8, 0.5, 0.6   # half sizes of the box
BAND = 0.12              # half width of the ribbon
BALL = 0.2               # bauble radius
SIZE = 64                # the paper picture's side in pixels


def paper(x, y):
    """Green paper with white dots and thin gold stripes, repeating every 32 pixels."""
    cx, cy = (x % 32) - 16, (y % 32) - 16
    if cx * cx + cy * cy < 30:
        return (245, 245, 235)
    if (x + y) % 32 < 3:
        return (225, 170, 60)
    return (25, 105, 55)


def write_png(path):
    rows = b"".join(b"\0" + bytes(c for x in range(SIZE) for c in paper(x, y)) for y in range(SIZE))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def main():
    write_png("gift-paper.png")
    with open("gift.mtl", "w") as f:
        f.write("# Materials of gift.obj, made by make-gift.py.\n"
                "newmtl paper\nKd 1 1 1\nd 1\nmap_Kd gift-paper.png\n\n"
                "newmtl ribbon\nKd 0.75 0.04 0.05\n\n"
                "newmtl gold\nKd 0.95 0.68 0.18\n")

    out = ["# A wrapped present, made by make-gift.py for the model example.", "mtllib gift.mtl", "o gift"]
    v = vt = vn = 0

    # The box: eight shared corners, but each face has a picture of its own.
    corners = [(x, y, z) for x in (-W, W) for y in (-H, H) for z in (-D, D)]
    out += ["v %.4f %.4f %.4f" % p for p in corners]
    v += 8

    def at(x, y, z):
        return 1 + 4 * (x > 0) + 2 * (y > 0) + (z > 0)

    faces = [  # counter-clockwise seen from outside
        [(-W, -H, D), (W, -H, D), (W, H, D), (-W, H, D)],
        [(W, -H, -D), (-W, -H, -D), (-W, H, -D), (W, H, -D)],
        [(W, -H, D), (W, -H, -D), (W, H, -D), (W, H, D)],
        [(-W, -H, -D), (-W, -H, D), (-W, H, D), (-W, H, -D)],
        [(-W, H, D), (W, H, D), (W, H, -D), (-W, H, -D)],
        [(-W, -H, -D), (W, -H, -D), (W, -H, D), (-W, -H, D)],
    ]
    out += ["usemtl paper", "s off"]
    for face in faces:
        for u, w in ((0, 0), (2, 0), (2, 1.4), (0, 1.4)):
            out.append("vt %.3f %.3f" % (u, w))
        out.append("f " + " ".join("%d/%d" % (at(*p), vt + 1 + i) for i, p in enumerate(face)))
        vt += 4

    # The ribbon: two bands round the box, a little proud of it, normals given.
    out.append("usemtl ribbon")
    for lift, (a, b) in ((0.01, (0, 2)), (0.02, (2, 0))):
        # Band across axis a, lying in the plane of axis b's middle.
        half = [W + lift, H + lift, D + lift]
        sides = []
        for sign in (1, -1):
            for axis in (1, a):
                sides.append((axis, sign))
        for axis, sign in sides:
            normal = [0, 0, 0]
            normal[axis] = sign
            out.append("vn %d %d %d" % tuple(normal))
            vn += 1
            other = [i for i in range(3) if i != axis and i != b][0]
            quad = []
            for s, t in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
                p = [0.0, 0.0, 0.0]
                p[axis] = sign * half[axis]
                p[other] = s * half[other]
                p[b] = t * BAND
                quad.append(p)
            # Wind it counter-clockwise seen from outside.
            e1 = [quad[1][i] - quad[0][i] for i in range(3)]
            e2 = [quad[2][i] - quad[0][i] for i in range(3)]
            cross = (e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0])
            if sum(c * n for c, n in zip(cross, normal)) < 0:
                quad.reverse()
            out += ["v %.4f %.4f %.4f" % tuple(p) for p in quad]
            out.append("f " + " ".join("%d//%d" % (v + 1 + i, vn) for i in range(4)))
            v += 4

    # The bauble: a sphere of quads with triangle fans at the poles, no normals.
    out += ["usemtl gold", "s 1"]
    ALONG, AROUND = 10, 16
    top = (0.0, H + 0.02 + BALL * 0.9, 0.0)
    first = v + 1
    for i in range(1, ALONG):
        a = math.pi * i / ALONG
        for j in range(AROUND):
            b = 2 * math.pi * j / AROUND
            out.append("v %.4f %.4f %.4f" % (top[0] + BALL * math.sin(a) * math.cos(b), top[1] + BALL * math.cos(a),
                                             top[2] - BALL * math.sin(a) * math.sin(b)))
    v += (ALONG - 1) * AROUND
    out.append("v %.4f %.4f %.4f" % (top[0], top[1] + BALL, top[2]))
    out.append("v %.4f %.4f %.4f" % (top[0], top[1] - BALL, top[2]))
    north, south = v + 1, v + 2
    v += 2

    def ring(i, j):
        return first + (i - 1) * AROUND + j % AROUND

    for j in range(AROUND):
        out.append("f %d %d %d" % (north, ring(1, j), ring(1, j + 1)))
        for i in range(1, ALONG - 1):
            out.append("f %d %d %d %d" % (ring(i, j), ring(i + 1, j), ring(i + 1, j + 1), ring(i, j + 1)))
        out.append("f %d %d %d" % (south, ring(ALONG - 1, j + 1), ring(ALONG - 1, j)))

    with open("gift.obj", "w") as f:
        f.write("\n".join(out) + "\n")


main()
