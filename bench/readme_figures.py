"""Puts a measurement's figures into bench/README.md, between the pair of markers that
name them (<!-- NAME --> and <!-- /NAME -->), replacing what stood there."""

import re


def WriteFigures(readme, name, figures):
    begin, end = f"<!-- {name} -->", f"<!-- /{name} -->"
    with open(readme) as file:
        text = file.read()
    text = re.sub(re.escape(begin) + ".*?" + re.escape(end), lambda m: begin + "\n" + figures + "\n" + end, text, flags=re.S)
    with open(readme, "w") as file:
        file.write(text)
