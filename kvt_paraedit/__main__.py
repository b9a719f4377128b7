import sys

from kvt_paraedit import main

sys.exit(main())
