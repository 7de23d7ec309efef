#!/usr/bin/env python3
"""Writes the glTF seed corpus for fuzz_gltf into fuzz/corpus/gltf, and the hand-made scene
seeds (object chains at and beyond the depth limit) into fuzz/corpus/scene.

Small scenes made here (not taken from anywhere): two joints and a skinned quad strip with
welded seams, three animation channels (LINEAR, STEP, CUBICSPLINE), one file with a sparse
accessor and unsigned-byte indices, and the same scene as .glb; hostile buffer URIs, a
node chain deeper than a scene holds, a key ten million seconds in, and an index far past the
vertices.
"""
import base64
import json
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "gltf")


class Scene:
    def __init__(self):
        self.bin = bytearray()
        self.doc = {"asset": {"version": "2.0"}, "accessors": [], "bufferViews": []}

    def add(self, fmt, values, type_, component):
        while len(self.bin) % 4:
            self.bin.append(0)
        offset = len(self.bin)
        self.bin += struct.pack("<%d%s" % (len(values), fmt), *values)
        n = {"SCALAR": 1, "VEC3": 3, "VEC4": 4, "MAT4": 16}[type_]
        self.doc["bufferViews"].append({"buffer": 0, "byteOffset": offset, "byteLength": len(self.bin) - offset})
        self.doc["accessors"].append({"bufferView": len(self.doc["bufferViews"]) - 1, "componentType": component,
                                      "count": len(values) // n, "type": type_})
        return len(self.doc["accessors"]) - 1

    def floats(self, values, type_):
        return self.add("f", values, type_, 5126)

    def text(self):
        d = dict(self.doc)
        d["buffers"] = [{"byteLength": len(self.bin),
                         "uri": "data:application/octet-stream;base64," + base64.b64encode(self.bin).decode()}]
        return json.dumps(d).encode()

    def glb(self):
        d = dict(self.doc)
        d["buffers"] = [{"byteLength": len(self.bin)}]
        js = json.dumps(d).encode()
        js += b" " * (-len(js) % 4)
        data = bytes(self.bin) + b"\0" * (-len(self.bin) % 4)
        body = struct.pack("<II", len(js), 0x4E4F534A) + js + struct.pack("<II", len(data), 0x004E4942) + data
        return b"glTF" + struct.pack("<II", 2, 12 + len(body)) + body


def two_joints(sparse=False, late_key=False, bad_index=False):
    s = Scene()
    pos = s.floats([0, 0, 0, 1, 0, 0, 1, 2, 0, 0, 2, 0, 1, 0, 0, 0, 2, 0], "VEC3")
    joints = s.add("B", [1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0], "VEC4", 5121)
    weights = s.floats([1, 0, 0, 0, .5, .5, 0, 0, .5, 0, 0, 0, 0, 0, 0, 0, .5, .5, 0, 0, 1, 0, 0, 0], "VEC4")
    if sparse:
        indices = s.add("B", [0, 1, 2, 0, 2, 3, 4, 2, 5], "SCALAR", 5121)
        sparse_at = s.add("B", [3], "SCALAR", 5121)
        sparse_val = s.floats([0.25, 2.5, 0], "VEC3")
        s.doc["accessors"][pos]["sparse"] = {
            "count": 1,
            "indices": {"bufferView": s.doc["accessors"][sparse_at]["bufferView"], "componentType": 5121},
            "values": {"bufferView": s.doc["accessors"][sparse_val]["bufferView"]}}
    elif bad_index:  # the last index names a vertex far past the six there are
        indices = s.add("I", [0, 1, 2, 0, 2, 3, 4, 2, 4294967295], "SCALAR", 5125)
    else:
        indices = s.add("H", [0, 1, 2, 0, 2, 3, 4, 2, 5], "SCALAR", 5123)
    ibm = s.floats([1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -1, 0, 1] + [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1], "MAT4")
    h = math.sqrt(0.5)
    # late_key: one key ten million seconds in, which sampled at 24 fps is 240 million frames.
    t_rot, rot = s.floats([1, 1e7 if late_key else 2], "SCALAR"), s.floats([0, 0, 0, 1, 0, 0, h, h], "VEC4")
    t_step, move = s.floats([0, 1], "SCALAR"), s.floats([0, 0, 0, 5, 0, 0], "VEC3")
    t_cubic, grow = s.floats([0, 2], "SCALAR"), s.floats([9, 9, 9, 1, 1, 1, 9, 9, 9, 9, 9, 9, 3, 3, 3, 9, 9, 9], "VEC3")
    s.doc["nodes"] = [{"name": "hip", "children": [1]}, {"name": "knee", "translation": [0, 1, 0]},
                      {"name": "body", "mesh": 0, "skin": 0, "translation": [7, 0, 0]}]
    s.doc["scenes"] = [{"nodes": [0, 2]}]
    s.doc["meshes"] = [{"primitives": [{"attributes": {"POSITION": pos, "JOINTS_0": joints, "WEIGHTS_0": weights},
                                        "indices": indices}]}]
    s.doc["skins"] = [{"joints": [1, 0], "inverseBindMatrices": ibm}]
    s.doc["animations"] = [{"channels": [{"sampler": 0, "target": {"node": 1, "path": "rotation"}},
                                         {"sampler": 1, "target": {"node": 0, "path": "translation"}},
                                         {"sampler": 2, "target": {"node": 0, "path": "scale"}}],
                            "samplers": [{"input": t_rot, "output": rot},
                                         {"input": t_step, "output": move, "interpolation": "STEP"},
                                         {"input": t_cubic, "output": grow, "interpolation": "CUBICSPLINE"}]}]
    return s


def external(uri):
    """The two-joint scene with its buffer named by uri instead of embedded."""
    d = dict(two_joints().doc)
    d["buffers"] = [{"byteLength": len(two_joints().bin), "uri": uri}]
    return json.dumps(d).encode()


def node_chain(levels):
    """A chain of nodes, each the only child of the one before."""
    nodes = [{"children": [i + 1]} for i in range(levels - 1)] + [{}]
    return json.dumps({"asset": {"version": "2.0"}, "nodes": nodes}).encode()


def scene_chain(levels):
    """A scene file of one chain of null objects, levels deep (the reader's limit is 1024)."""
    def i32(v):
        return b"\x02" + struct.pack("<i", v)

    def null_object(children):
        return (i32(5140) + b"\x06" + struct.pack("<I", 1) + b"n" + i32(0) + i32(0) +
                (b"\x04" + struct.pack("<3d", 0, 0, 0)) + b"\x04" + struct.pack("<3d", 1, 0, 0) +
                b"\x04" + struct.pack("<3d", 0, 1, 0) + b"\x04" + struct.pack("<3d", 0, 0, 1) +
                i32(0) + b"\x05" + struct.pack("<Q", 0) + b"\x01\x00" + i32(0) + i32(children))

    payload = i32(1) + b"".join(null_object(1 if i + 1 < levels else 0) for i in range(levels))
    checksum = 0xcbf29ce484222325
    for byte in payload:
        checksum = ((checksum ^ byte) * 0x100000001b3) & 0xffffffffffffffff
    return b"TAVRSCN1" + struct.pack("<IIQQ", 1, 0, len(payload), checksum) + payload


def main():
    os.makedirs(OUT, exist_ok=True)
    files = {"two_joints.gltf": two_joints().text(), "two_joints.glb": two_joints().glb(),
             "sparse.gltf": two_joints(sparse=True).text(), "late_key.gltf": two_joints(late_key=True).text(),
             "bad_index.gltf": two_joints(bad_index=True).text(),
             # Buffer URIs that must never be read: outside the folder, absolute, escaped, other schemes.
             "uri_parent.gltf": external("../../../../../../../../etc/passwd"),
             "uri_escaped.gltf": external("..%2F..%2F..%2F..%2Fetc%2Fpasswd"),
             "uri_absolute.gltf": external("/proc/self/environ"),
             "uri_scheme.gltf": external("file:///etc/passwd"),
             "uri_control.gltf": external("a%0Ab%1B[31m%00.bin"),
             # Deeper than a scene holds.
             "deep_chain.gltf": node_chain(1100)}
    for name, data in files.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    scenes = os.path.join(HERE, "corpus", "scene")
    # As whole files, and as payloads (first byte odd) that the target wraps in a valid header.
    deep = {"deep_1024.tvs": scene_chain(1024), "deep_1025.tvs": scene_chain(1025)}
    deep["payload_deep_1025.tvs"] = b"\x01" + deep["deep_1025.tvs"][32:]
    for name, data in deep.items():
        with open(os.path.join(scenes, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
