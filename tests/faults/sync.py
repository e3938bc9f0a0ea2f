# sync.py ROOT COPY: mirrors the source tree ROOT (without build/ and .git)
# into COPY, rewriting only files that differ so a build there stays
# incremental.
import filecmp, os, shutil, sys

root, dst = sys.argv[1], sys.argv[2]
seen = set()
for here, dirs, files in os.walk(root):
    if os.path.samefile(here, root):
        dirs[:] = [d for d in dirs if d not in ('build', '.git')]
    for f in files:
        rel = os.path.relpath(os.path.join(here, f), root)
        seen.add(rel)
        a, b = os.path.join(root, rel), os.path.join(dst, rel)
        if not os.path.isfile(b) or not filecmp.cmp(a, b, shallow=False):
            os.makedirs(os.path.dirname(b), exist_ok=True)
            shutil.copy2(a, b)
            os.utime(b)
for here, dirs, files in os.walk(dst):
    for f in files:
        if os.path.relpath(os.path.join(here, f), dst) not in seen:
            os.remove(os.path.join(here, f))
