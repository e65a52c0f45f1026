#!/usr/bin/python3
"""Prints what a workbook's active sheet holds, as openpyxl reads it, in JSON:
{"cells": [[row, column, value, type]...], "widths": {column: width}, "max_row": n}."""
import json
import sys

import openpyxl
from openpyxl.utils import column_index_from_string

sheet = openpyxl.load_workbook(sys.argv[1]).active
cells = [[c.row, c.column, c.value, c.data_type]
         for row in sheet.iter_rows() for c in row if c.value is not None]
widths = {column_index_from_string(k): d.width
          for k, d in sheet.column_dimensions.items() if d.customWidth}
json.dump({"cells": cells, "widths": widths, "max_row": sheet.max_row}, sys.stdout)
