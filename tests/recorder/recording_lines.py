"""The line format shared by the .acc and .dom recordings: one record a line,
fields apart by tabs, each field NAME=VALUE with backslash escapes in the
value (\\\\ \\t \\n \\r), UTF-8."""


def escape(text):
    return (text.replace('\\', '\\\\').replace('\t', '\\t').replace('\n', '\\n')
            .replace('\r', '\\r'))


def field(name, value):
    return f'{name}={escape(str(value))}'


def node_line(kind, depth, fields):
    return '\t'.join([kind, str(depth)] + fields)
