#!/usr/bin/env python3
"""Writes the page's text as a C++ source: PAGE with each script of its own folder that it loads
(<script src="NAME.js"></script>) written into its script element, so that the page is one reply.
The scripts' comment lines (and the lint's directives among them) stay in the tree: every
projector carries the page, and every request for it sends it.

usage: embed_page.py PAGE OUTPUT
"""
import pathlib
import re
import sys

DELIMITER = "page"


def main():
    page_path, output = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    folder = page_path.parent

    def inline(match):
        script = folder / match.group(1)
        if not script.is_file():
            return match.group(0)  # a file the site serves, such as the player's script
        text = script.read_text(encoding="utf-8")
        if re.search(r"</script", text, re.IGNORECASE):
            sys.exit(f"{script}: a script may not hold </script")
        code = [line for line in text.splitlines(keepends=True)
                if not re.match(r"\s*(//|/\*.*\*/\s*$)", line) and line.strip()]
        return "<script>\n" + "".join(code) + "</script>"

    page = re.sub(r'<script src="([A-Za-z0-9_-]+\.js)"></script>', inline,
                  page_path.read_text(encoding="utf-8"))
    if f'){DELIMITER}"' in page:
        sys.exit(f"{page_path}: the page holds ){DELIMITER}\"")
    output.write_text(
        "// Made by embed_page.py from page/; edit those files instead.\n"
        '#include "stubs/site/PageText.h"\n\n'
        "namespace pravix::stub {\n\n"
        f'extern const std::string_view kPageText = R"{DELIMITER}({page}){DELIMITER}";\n\n'
        "}  // namespace pravix::stub\n",
        encoding="utf-8")


if __name__ == "__main__":
    main()
