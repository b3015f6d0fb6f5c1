#!/usr/bin/env python3
"""Runs every lodthresh command of the README's code blocks as written, from
a folder that holds the project's examples/, with the built program first on
PATH, and fails unless each exits 0. A synopsis line ([OPTION]...) is no
command.

    readme_commands.py BUILD/lodthresh SOURCE_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

COMMAND = re.compile(r"^    ((?:.*\|\s*)?lodthresh(?: .*)?)$")


def commands(readme):
    for number, line in enumerate(open(readme, encoding="utf-8"), start=1):
        match = COMMAND.match(line.rstrip("\n"))
        if match and "[OPTION]" not in line:
            yield number, match.group(1)


def main(binary, source):
    folder = tempfile.mkdtemp(prefix="lodthresh-readme-")
    try:
        bin_dir = os.path.join(folder, "bin")
        os.mkdir(bin_dir)
        os.symlink(os.path.abspath(binary), os.path.join(bin_dir, "lodthresh"))
        os.symlink(os.path.join(source, "examples"), os.path.join(folder, "examples"))
        env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ.get("PATH", ""))
        failed = 0
        ran = 0
        for number, command in commands(os.path.join(source, "README.md")):
            ran += 1
            result = subprocess.run(["sh", "-c", command], cwd=folder, env=env,
                                    capture_output=True, text=True, check=False)
            if result.returncode != 0:
                failed += 1
                print(f"README.md:{number}: exit {result.returncode}: {command}\n{result.stderr}")
        print(f"{ran} commands of the README run, {failed} failed")
        return 1 if failed or ran == 0 else 0
    finally:
        shutil.rmtree(folder)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
