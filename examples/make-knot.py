#!/usr/bin/env python3
"""Writes knot.obj, the model example's own model: a (2, 3) torus knot tube with
smooth normals. Run from examples/: python3 make-knot.py > knot.obj"""
import math

P, Q = 2, 3            # turns around the axis and through the hole
ALONG, AROUND = 160, 16
TUBE = 0.28


def centre(t):
    r = 1.0 + 0.45 * math.cos(Q * t)
    return (r * math.cos(P * t), 0.45 * math.sin(Q * t), r * math.sin(P * t))


def sub(a, b): return tuple(x - y for x, y in zip(a, b))
def cross(a, b): return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])
def unit(a):
    n = math.sqrt(sum(x * x for x in a))
    return tuple(x / n for x in a)


print("# A (2, 3) torus knot, made by make-knot.py for the model example.")
print("o knot")
rings = []
for i in range(ALONG):
    t = 2 * math.pi * i / ALONG
    c, ahead = centre(t), centre(t + 1e-4)
    tangent = unit(sub(ahead, c))
    side = unit(cross(tangent, (0.0, 1.0, 0.0)))
    up = cross(side, tangent)
    ring = []
    for j in range(AROUND):
        a = 2 * math.pi * j / AROUND
        n = tuple(math.cos(a) * s + math.sin(a) * u for s, u in zip(side, up))
        ring.append((tuple(x + TUBE * y for x, y in zip(c, n)), n))
    rings.append(ring)
for ring in rings:
    for p, _ in ring:
        print("v %.4f %.4f %.4f" % p)
for ring in rings:
    for _, n in ring:
        print("vn %.4f %.4f %.4f" % n)
for i in range(ALONG):
    for j in range(AROUND):
        a = i * AROUND + j + 1
        b = ((i + 1) % ALONG) * AROUND + j + 1
        c = ((i + 1) % ALONG) * AROUND + (j + 1) % AROUND + 1
        d = i * AROUND + (j + 1) % AROUND + 1
        print("f %d//%d %d//%d %d//%d" % (a, a, b, b, c, c))
        print("f %d//%d %d//%d %d//%d" % (a, a, c, c, d, d))
