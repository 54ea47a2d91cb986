#!/usr/bin/env python3
"""The main job end to end: a Box stand-in seeded with a sample tree, and two sync passes of the
Box filter as the host add-in runs them, with a local edit in between.

    demo.py BUILD-DIR OPENAPI-PATH
"""

import datetime
import json
import os
import shutil
import subprocess
import sys
import urllib.request

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(os.path.dirname(HERE)))
sys.path.insert(0, os.path.join(REPO, "tests", "boxstandin"))

from run_with_standin import StandInProcess  # noqa: E402

BOX_FOLDER_ID = "5001"


def control(url, path, body=None):
    data = None if body is None else json.dumps(body).encode()
    request = urllib.request.Request(url + "/_control/" + path, data, {"Content-Type": "application/json"})
    with urllib.request.urlopen(request) as reply:
        return json.loads(reply.read())


def show_box(url, path="/Projects", depth=1):
    item = control(url, "item?path=" + urllib.request.quote(path))
    for child in sorted(item["children"], key=lambda c: (c["type"] != "folder", c["name"])):
        line = "  " * depth + child["name"]
        if child["type"] == "folder":
            print(line + "/")
            show_box(url, path + "/" + child["name"], depth + 1)
            continue
        details = control(url, "item?type=file&id=" + child["id"])
        lock = "  locked by " + details["lock"]["created_by"]["name"] if details.get("lock") else ""
        print(line + "  (v%s, %s bytes)%s" % (details["version_number"], details["size"], lock))


def show_local(folder, depth=1):
    for name in sorted(os.listdir(folder), key=lambda n: (not os.path.isdir(os.path.join(folder, n)), n)):
        path = os.path.join(folder, name)
        if os.path.isdir(path):
            print("  " * depth + name + "/")
            show_local(path, depth + 1)
        else:
            print("  " * depth + "%s  (%d bytes)" % (name, os.path.getsize(path)))


def show_item_properties(state, names):
    with open(state) as saved:
        items = json.load(saved)["items"]
    for name in names:
        print("  " + name)
        props = items.get(name, {}).get("props", {})
        for key in ("Quentra.FromServerFileId", "Quentra.FromServerFileUrl", "Quentra.FormRegionClass",
                    "ows-CheckoutUser"):
            if props.get(key, {}).get("text"):
                print("    %-28s %s" % (key, props[key]["text"]))


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def run_pass(build, url, local, state, title):
    print("\n== %s ==" % title)
    environment = dict(os.environ, BOX_STANDIN_URL=url, WINEPREFIX=os.path.join(build, "wineprefix"))
    subprocess.run([os.path.join(REPO, "scripts", "wine-run"), "vesk_sync.exe", windows_path(local),
                    windows_path(state), BOX_FOLDER_ID], cwd=os.path.join(build, "bin"), env=environment,
                   check=True)


def main():
    build, openapi = sys.argv[1], sys.argv[2]
    work = os.path.join(build, "demo")
    shutil.rmtree(work, ignore_errors=True)
    local, state = os.path.join(work, "Projects"), os.path.join(work, "sync-state.json")
    os.makedirs(local)
    with StandInProcess(openapi) as url:
        with open(os.path.join(HERE, "sample-tree.json")) as sample:
            control(url, "seed", json.load(sample))
        print("Box folder /Projects (id %s) at the start:" % BOX_FOLDER_ID)
        show_box(url)

        run_pass(build, url, local, state, "first pass: Box -> " + local)
        print("\nWhat the filter wrote on two of the Outlook items:")
        show_item_properties(state, ["kickoff.msg", "contract.txt"])

        print("\n== the user works in Outlook: adds meeting-notes.txt, edits budget.csv ==")
        with open(os.path.join(local, "meeting-notes.txt"), "w") as notes:
            notes.write("Notes of the planning meeting.\n")
        with open(os.path.join(local, "budget.csv"), "a") as budget:
            budget.write("licences,300\n")
        # Box keeps whole seconds: the edit is dated after the first pass's listing.
        edited = (datetime.datetime.now(datetime.timezone.utc) + datetime.timedelta(seconds=2)).strftime(
            "%Y-%m-%dT%H:%M:%SZ")
        control(url, "item", {"type": "file", "id": "7001", "modified_at": edited, "content_modified_at": edited,
                              "content_text": "Plan: ship the filter, then the demo.\n"})
        print("== meanwhile on Box: plan.txt gets a new version ==")

        run_pass(build, url, local, state, "second pass: both ways")

        print("\nBox folder /Projects at the end:")
        show_box(url)
        print("\nLocal folder %s at the end:" % local)
        show_local(local)


if __name__ == "__main__":
    main()
