#version 410 core
// Two lights and a rim on a glazed surface, coloured by the material's colour and
// picture. A degenerate face has a zero normal; its fragments take their triangle's
// own normal from the screen derivatives.
in vec3 worldPosition;
in vec3 worldNormal;
in vec2 uv;
uniform vec3 eye;
uniform vec4 materialColour;       // linear
uniform sampler2D materialPicture; // white for a material without one
out vec4 colour;
void main()
{
    // Pictures are stored as sRGB; the lighting works in linear terms.
    vec3 base = materialColour.rgb * pow(texture(materialPicture, uv).rgb, vec3(2.2));
    vec3 n = worldNormal;
    if (dot(n, n) < 1e-8)
        n = cross(dFdx(worldPosition), dFdy(worldPosition));
    n = normalize(n);
    vec3 v = normalize(eye - worldPosition);
    if (dot(n, v) < 0.0)
        n = -n; // lit from either side: models wind their faces either way
    vec3 key = normalize(vec3(-0.5, 0.8, 0.6));
    vec3 fill = normalize(vec3(0.7, -0.2, 0.4));
    float diffuse = max(dot(n, key), 0.0);
    float soft = max(dot(n, fill), 0.0);
    float shine = pow(max(dot(n, normalize(key + v)), 0.0), 60.0);
    float rim = pow(1.0 - max(dot(n, v), 0.0), 3.0);
    vec3 lit = base * (0.08 + 1.0 * diffuse * vec3(1.0, 0.95, 0.85) + 0.35 * soft * vec3(0.5, 0.65, 1.0))
             + 0.6 * shine + 0.45 * rim * vec3(0.55, 0.7, 1.0);
    colour = vec4(pow(lit, vec3(1.0 / 2.2)), 1.0);
}
