"""Stand-in for wx.lib.embeddedimage: keeps the base64 text of an image."""
import base64

from wx._core import StandInOnly


class PyEmbeddedImage:
    def __init__(self, data, isBase64=True):
        self.data = data
        self.isBase64 = isBase64

    def GetData(self):
        return base64.b64decode(self.data) if self.isBase64 else self.data

    def GetBitmap(self):
        raise StandInOnly("decoding an image")

    GetImage = GetIcon = GetBitmap
