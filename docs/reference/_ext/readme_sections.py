"""The directive `readme-section`: one section of the README (its text,
lists and code examples, with its subsections) in the reference.

    .. readme-section:: Dialogs

The README stays the one place where these texts are written.  Only the
Markdown the README uses is read: headings, paragraphs, bullet lists, fenced
code blocks, `code`, **strong** and [links](target) in text.  Tables,
pictures and HTML comments are left out.  A title that names no section of
the README is an error, so a renamed section fails the build.
"""
import re

from docutils import nodes
from docutils.parsers.rst import Directive
from sphinx.errors import ExtensionError

_HEADING = re.compile(r"^(#{2,6}) (.*)$")
_INLINE = re.compile(r"`([^`]+)`|\*\*([^*]+)\*\*|\[([^\]]+)\]\([^)]*\)")


def _section_lines(text, title):
    """The lines of the section named `title`, without its heading, up to the
    next heading of the same or a higher level."""
    lines = text.splitlines()
    for start, line in enumerate(lines):
        match = _HEADING.match(line)
        if match and match.group(2).strip() == title:
            level = len(match.group(1))
            body = []
            for following in lines[start + 1:]:
                other = _HEADING.match(following)
                if other and len(other.group(1)) <= level:
                    break
                body.append(following)
            return body
    raise ExtensionError("README.md has no section %r" % title)


def _inline(text):
    """Text nodes for one paragraph: code, strong text and link texts."""
    result, position = [], 0
    for match in _INLINE.finditer(text):
        if match.start() > position:
            result.append(nodes.Text(text[position:match.start()]))
        code, strong, link = match.groups()
        if code is not None:
            result.append(nodes.literal(code, code))
        elif strong is not None:
            result.append(nodes.strong(strong, strong))
        else:
            result.append(nodes.Text(link))
        position = match.end()
    result.append(nodes.Text(text[position:]))
    return result


def _blocks(lines):
    """Docutils nodes for the README lines of one section."""
    result, paragraph, items = [], [], None

    def flush():
        nonlocal paragraph, items
        if paragraph:
            text = " ".join(part.strip() for part in paragraph)
            if items is not None:
                items.append(nodes.list_item("", nodes.paragraph("", "", *_inline(text[2:]))))
            else:
                result.append(nodes.paragraph("", "", *_inline(text)))
        paragraph = []

    def end_list():
        nonlocal items
        flush()
        if items is not None:
            result.append(nodes.bullet_list("", *items))
        items = None

    lines = iter(lines)
    for line in lines:
        heading = _HEADING.match(line)
        if line.startswith("```"):
            end_list()
            language = line[3:].strip() or "text"
            code = []
            for code_line in lines:
                if code_line.startswith("```"):
                    break
                code.append(code_line)
            block = nodes.literal_block("\n".join(code), "\n".join(code))
            block["language"] = "python" if language == "python" else "text"
            result.append(block)
        elif heading:
            end_list()
            result.append(nodes.rubric("", "", *_inline(heading.group(2))))
        elif not line.strip() or line.startswith(("|", "![", "<!--")):
            end_list()
        elif line.startswith("- "):
            flush()
            if items is None:
                items = []
            paragraph = [line]
        else:
            paragraph.append(line)
    end_list()
    return result


class ReadmeSection(Directive):
    required_arguments = 1
    final_argument_whitespace = True

    def run(self):
        env = self.state.document.settings.env
        path = env.config.readme_path
        env.note_dependency(path)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        return _blocks(_section_lines(text, self.arguments[0]))


def setup(app):
    app.add_config_value("readme_path", "", "env")
    app.add_directive("readme-section", ReadmeSection)
    return {"parallel_read_safe": True}
